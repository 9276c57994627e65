// Two-frame arithmetic through its buttons and menu items: results, names,
// targets, corrected operands and refusals.
#include "frames_fixture.h"

namespace vorn {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::FramesTest;

class FramesArithmeticTest : public FramesTest {
protected:
    void add_operands() { add_frames({{2, 4}, {1, 0}}, {3, 5}); }
};

TEST_F(FramesArithmeticTest, each_member_combines_elements_and_targets) {
    struct Case {
        MenuItem MainWindow::*menu;
        std::string name;
        std::vector<double> values;
        double target;
    };
    // A zero element of the second frame keeps the first frame's element,
    // in a division too.
    const Case cases[] = {
        {&MainWindow::menumultiplicartramas, "MULT(1,2)", {2, 4}, 15},
        {&MainWindow::menudividirtramas, "/(1,2)", {2, 4}, 0.6},
        {&MainWindow::menurestartramas, "-(1,2)", {1, 4}, -2},
        {&MainWindow::menusumartramas, "+(1,2)", {3, 4}, 8},
    };
    add_operands();
    for (const Case& c : cases) {
        answer({"1", "2"});
        click(w().*c.menu);
        EXPECT_EQ(name(3), c.name);
        EXPECT_THAT(values(3), ElementsAre(c.values[0], c.values[1])) << c.name;
        EXPECT_DOUBLE_EQ(target(3).value_or(-99), c.target) << c.name;
        EXPECT_EQ(w().Text3.text(), " 3");
        toolkit().borrartrama(3);
    }
    EXPECT_TRUE(platform.messages.empty());
    ASSERT_GE(platform.asked.size(), 2u);
    EXPECT_EQ(platform.asked[0].title, "Multiplicar Tramas");
}

TEST_F(FramesArithmeticTest, operands_out_of_range_are_corrected_and_written_back) {
    add_frames({{1}, {2}, {3}, {4}}, {1, 1, 1, 1});
    answer({"0", " 99 "});
    click(w().Command22);
    EXPECT_EQ(name(5), "+(1,4)");
    EXPECT_THAT(values(5), ElementsAre(5));

    int t1 = 0, t2 = 77;
    toolkit().restartramas(t1, t2);
    EXPECT_EQ(std::pair(t1, t2), std::pair(1, 5));
}

TEST_F(FramesArithmeticTest, a_frame_against_itself_writes_nothing) {
    add_operands();
    answer({"2", "2", "2", "2", "0", "1"});
    click(w().Command21);
    click(w().Command20);
    click(w().Command20);
    EXPECT_EQ(frames(), 2);
    EXPECT_TRUE(platform.messages.empty());

    w().Text9.set_text("si");
    answer({"2", "2"});
    click(w().Command20);
    EXPECT_EQ(platform.texts(), (std::vector<std::string>{"Sub Redividir tramas mult1=mult2= 2"}));
}

TEST_F(FramesArithmeticTest, missing_targets_count_one_first_and_zero_second) {
    add_frames({{2, 4}, {1, 0}, {3, 3}}, {std::nullopt, 5, std::nullopt});
    answer({"1", "2"});
    click(w().Command19);
    EXPECT_EQ(target(4), 5);
    EXPECT_THAT(platform.texts(), Contains("MULT No encontre el target de trama  1"));
    EXPECT_THAT(platform.texts(), Contains("capa=10 and columna=1"));

    answer({"2", "3"});
    click(w().Command22);
    EXPECT_EQ(target(5), 0);
    EXPECT_THAT(platform.texts(), Contains("SUM No encontre el target de trama  3"));
}

TEST_F(FramesArithmeticTest, a_frame_that_cannot_be_completed_is_not_written_at_all) {
    add_frames({{1, 2}, {3, 4}, {1e308, 1}}, {1, 1, 1});
    db->execute_bound("UPDATE BPN SET valor = NULL WHERE capa = 1 AND columna = 2 AND fila = 2", {});
    answer({"1", "2"});
    click(w().Command22);
    EXPECT_EQ(platform.texts().back(), "Falta el valor del elemento 2 de la trama 2\rNo se agrego ninguna trama");

    // 1e308 + 1e308 is no number BPN can hold.
    answer({"3", "3"});
    click(w().Command22);
    EXPECT_THAT(platform.texts().back(), HasSubstr("no es un numero valido en el elemento 1"));

    // Cancelled, or not a frame number: nothing runs.
    answer({"1", std::nullopt, "", "1.5"});
    click(w().Command19);
    click(w().Command19);
    click(w().Command19);
    EXPECT_EQ(platform.texts().back(), "No existe trama  1.5");
    EXPECT_EQ(frames(), 3);
    EXPECT_EQ(count("capa = 10"), 3);
}

}  // namespace
}  // namespace vorn
