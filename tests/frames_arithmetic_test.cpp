// Two-frame arithmetic through its buttons, menu items and the batch
// driver: results, names, targets, corrected operands and refusals.
#include <sstream>

#include "batch/script_driver.h"
#include "frames_fixture.h"

namespace vorn {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::FramesTest;

class FramesArithmeticTest : public FramesTest {
protected:
    // Frames 1 = (2, 4) with target 3 and 2 = (1, 0) with target 5.
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
    EXPECT_EQ(platform.asked[0].prompt, "Trama1 a multiplicar");
    EXPECT_EQ(platform.asked[1].prompt, "Trama2 a multiplicar");
    EXPECT_EQ(platform.asked[1].default_text, "2");
}

TEST_F(FramesArithmeticTest, operands_out_of_range_are_corrected_and_written_back) {
    add_frames({{1}, {2}, {3}, {4}}, {1, 1, 1, 1});
    answer({"0", " 99 "});
    click(w().Command22);
    EXPECT_EQ(name(5), "+(1,4)");
    EXPECT_THAT(values(5), ElementsAre(5));

    int t1 = 0, t2 = 77;
    toolkit().restartramas(t1, t2);
    EXPECT_EQ(t1, 1);
    EXPECT_EQ(t2, 5);
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

TEST_F(FramesArithmeticTest, a_full_set_of_frames_leaves_no_room_for_another) {
    for (int f = 1; f <= 100; ++f) add_frame(f, {1.0 * f}, 0.5);
    refresh_all();
    answer({"1", "2"});
    click(w().Command22);
    EXPECT_EQ(platform.texts().back(), "No se puede agregar la trama 101: el maximo es de 100 tramas");
    EXPECT_EQ(frames(), 100);
}

TEST(FramesArithmeticBatch, the_batch_driver_runs_the_product_from_its_menu_item) {
    testing::TempDir dir;
    set_decimal_separator('.');
    batch::BatchOptions options;
    options.db = dir.path() / "ga7.mdb";
    options.files_dir = dir.path();
    options.format = batch::OutputFormat::Json;
    options.no_startup = true;
    options.seed = 1;
    std::istringstream script(
        "sql delete bpn.* from bpn\n"
        "sql insert into bpn (capa, fila, columna, valor, nombre) values (1,1,1,2,'a'), (1,2,1,4,'a'), "
        "(10,1,1,3,'a'), (1,1,2,1,'b'), (1,2,2,0,'b'), (10,1,2,5,'b')\n"
        "answer 1\n"
        "answer 2\n"
        "click vorn2.menumultiplicartramas\n"
        "get vorn2.Text3\n"
        "sql delete from bpn where columna < 3\n"
        "dump BPN\n");
    std::ostringstream out, err;
    EXPECT_EQ(batch::run_script(script, out, err, options), 0) << out.str();
    std::string events = out.str();
    EXPECT_THAT(events, HasSubstr("\"title\":\"Multiplicar Tramas\""));
    EXPECT_THAT(events, HasSubstr("{\"event\":\"value\",\"control\":\"vorn2.Text3\",\"text\":\" 3\"}"));
    EXPECT_THAT(events, HasSubstr("\"capa\":10,\"fila\":1,\"columna\":3,\"valor\":15,\"nombre\":\"MULT(1,2)\""));
}

}  // namespace
}  // namespace vorn
