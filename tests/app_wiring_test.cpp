// Where the two windows meet: the experiment timer hands its bit string and
// error to GABPN, "VORN" sends a bit string back for evaluation, and the
// genetic search's "Red" strategy scores chromosomes by the experiment their
// first 12 bits code.
#include <cmath>
#include <set>

#include "drivers/experiments.h"
#include "experiments_fixture.h"
#include "ga/ga_window.h"
#include "ga/genetic_search.h"

namespace vorn {
namespace {

using testing::PipelineTest;

class WiringTest : public PipelineTest {
protected:
    void SetUp() override {
        PipelineTest::SetUp();
        two_stocks_on_set1();
    }
    ga::GeneticSearch& search() { return bench->genetic_search(); }
    long log_rows() { return static_cast<long>(as_number(rows("SELECT count(*) FROM PasadasBPN").rows[0][0])); }
    std::vector<double> logged_errors() {
        std::vector<double> out;
        for (const auto& r : rows("SELECT error FROM PasadasBPN").rows) out.push_back(as_number(r[0]));
        return out;
    }
};

TEST_F(WiringTest, the_timer_hands_its_result_to_a_hidden_gabpn_and_vorn_brings_the_next_one_back) {
    w().Text10.set_text("text10");
    bench->fire(w().Timer1);
    ASSERT_TRUE(search().exists());
    ga::GaWindow& ga = search().window();
    EXPECT_FALSE(ga.visible());
    EXPECT_EQ(ga.Text9.text(), "101010110110");
    EXPECT_EQ(ga.Text2.text(), w().Text11.text());
    EXPECT_NE(w().Text11.text(), "0");

    // Its own timer then sets its defaults; "Red" follows the six strategies.
    ASSERT_TRUE(ga.Timer1.armed());
    bench->fire(ga.Timer1);
    EXPECT_EQ(ga.Combo1.items(),
              (std::vector<std::string>{"Vorn", "Strat", "stra2", "set3", "Max", "Other", "Red"}));
    EXPECT_EQ(ga.Text2.text(), w().Text11.text());

    // "VORN" re-arms the main window's timer, whose answer comes back.
    w().hide();
    ga.Command7.click();
    EXPECT_EQ(w().Text10.text(), "111111111111");
    bench->fire(w().Timer1);
    EXPECT_EQ(log_rows(), 2);
    EXPECT_EQ(ga.Text9.text(), "111111111111");
    EXPECT_EQ(ga.Text2.text(), w().Text11.text());
}

TEST_F(WiringTest, red_scores_each_distinct_code_once_per_run_by_its_experiment) {
    bench->main().Command46.click();
    ga::GaWindow& ga = search().window();
    bench->fire(ga.Timer1);
    ga.Combo1.set_text("Red");

    // One experiment per distinct code: the bits after the twelfth do not
    // make another code.
    const double fitness = search().fitness("000100010001");
    ASSERT_EQ(log_rows(), 1);
    EXPECT_DOUBLE_EQ(fitness, 1 / (logged_errors()[0] + 0.001));
    EXPECT_DOUBLE_EQ(search().fitness("000100010001" "0110"), fitness);
    EXPECT_EQ(log_rows(), 1);
    EXPECT_EQ(search().describir("0001000100011111", "Red"), "Red=000100010001");

    // A run of two 12-bit chromosomes: every fitness it stored is that of a
    // logged experiment, and no code was run twice.
    ga.Text3.set_text("2");
    ga.Text4.set_text("12");
    ga.Text5.set_text("1");
    ga.Text1.set_text("NO");
    drawn.messages.clear();
    ga.GroupPush3D1.click();
    const long after_run = log_rows();
    ASSERT_GE(after_run, 1);
    const std::vector<double> errors = logged_errors();
    std::set<std::string> codes;
    for (const auto& r : rows("SELECT cadena, fitness FROM borrar2").rows) {
        codes.insert(as_text(r[0]).substr(0, 12));
        const double f = as_number(r[1]);
        bool from_a_logged_experiment = false;
        for (double e : errors) from_a_logged_experiment |= std::abs(f - 1 / (e + 0.001)) <= 1e-9 * f;
        EXPECT_TRUE(from_a_logged_experiment) << as_text(r[0]) << " " << f;
    }
    // The run started afresh (its pool's codes were all run in it), and
    // each distinct code once: a generation that repeats its pool adds no row.
    EXPECT_GE(after_run - 1, static_cast<long>(codes.size()));
    const long generations = static_cast<long>(as_number(rows("SELECT count(*) FROM sumas").rows[0][0]));
    EXPECT_LE(after_run - 1, 2 * (2 * generations + 1));
}

}  // namespace
}  // namespace vorn
