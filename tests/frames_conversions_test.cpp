// Single-frame conversions: the in-place recodings and the ratio frames.
#include <cmath>

#include "frames_fixture.h"

namespace vorn {
namespace {

using ::testing::ElementsAre;
using testing::FramesTest;

class FramesConversionsTest : public FramesTest {};

TEST_F(FramesConversionsTest, in_place_recodings_rewrite_every_row_of_the_frame) {
    struct Case {
        Button MainWindow::*button;
        std::vector<double> frame;
        std::optional<std::string> limit;
        std::string name;
        std::vector<double> coded;
        double coded_target;
    };
    // Frame 1 is recoded, target 0.7 included; frame 2 is left alone.
    const Case cases[] = {
        {&MainWindow::Command27, {-2, 0, 3}, "0", "1-1(1)", {-1, -1, 1}, 1},
        {&MainWindow::Command26, {0.5, 0.99, 1}, "0.99", "01(1)", {0, 0, 1}, 0},
        {&MainWindow::Command28, {0.5, 0.99, 1}, "0.9", ",1,9(1)", {0.1, 0.9, 0.9}, 0.1},
        {&MainWindow::Command24, {-1, 0, 2}, std::nullopt, "Tendencia(1)", {0.1, 0.1, 0.9}, 0.9},
        {&MainWindow::Command25, {-25, 25, 0}, std::nullopt, "Sigm(1)", {0, 1, 0.5}, 1 / (1 + std::exp(-0.7))},
        {&MainWindow::Command29, {10, -10, 0}, std::nullopt, "TANH(1)", {1, -1, 0}, std::tanh(0.7)},
    };
    for (const Case& c : cases) {
        db->execute("DELETE FROM BPN");
        add_frames({c.frame, {5, 5, 5}}, {0.7, 0.7});
        answer({"1"});
        if (c.limit) answer({*c.limit});
        click(w().*c.button);
        EXPECT_EQ(name(1), c.name);
        EXPECT_THAT(values(1), ElementsAre(c.coded[0], c.coded[1], c.coded[2])) << c.name;
        EXPECT_NEAR(target(1).value_or(-99), c.coded_target, 1e-15) << c.name;
        EXPECT_THAT(values(2), ElementsAre(5, 5, 5));
    }
    EXPECT_TRUE(platform.messages.empty());
}

TEST_F(FramesConversionsTest, quasi_binary_of_frame_zero_recodes_every_frame) {
    add_frames({{0.5, 2}, {3, 0.1}}, {1, 0});
    answer({"0", "1"});
    click(w().menucuasibinariodetrama);
    EXPECT_THAT(values(1), ElementsAre(0.1, 0.9));
    EXPECT_THAT(values(2), ElementsAre(0.9, 0.1));
    EXPECT_EQ(count("nombre = ',1,9(0)'"), count());
}

TEST_F(FramesConversionsTest, recodings_refuse_what_is_not_there) {
    answer({"1", "0"});
    click(w().Command27);
    EXPECT_EQ(platform.texts().back(), "No hay tramas en data1 para convertir");

    add_frames({{1, 2}}, {0.5});
    answer({"3", "0", "-1", "0", "1", std::nullopt});
    click(w().Command27);
    click(w().Command27);
    click(w().Command27);
    EXPECT_EQ(platform.texts(), (std::vector<std::string>{"No hay tramas en data1 para convertir",
                                                          "No existe trama  3", "No existe trama -1"}));
    EXPECT_THAT(values(1), ElementsAre(1, 2));
}

TEST_F(FramesConversionsTest, ratio_frames_take_each_element_over_the_one_before) {
    struct Case {
        Button MainWindow::*button;
        std::vector<double> frame;
        std::optional<double> frame_target;
        std::string name;
        std::vector<double> ratios;
        std::optional<double> ratio_target;
    };
    const Case cases[] = {
        // After a zero element the next non-zero element is its own base;
        // a source without a target gives a frame without one.
        {&MainWindow::Command23, {100, 102, 0, 50}, std::nullopt, "%(1)", {1, 1.02, 0, 1}, std::nullopt},
        {&MainWindow::Command23, {100, 110}, 120, "%(1)", {1, 1.1}, 120.0 / 110},
        {&MainWindow::Command39, {100, 102, 110}, 2, "%Acum(1)", {0, 0.02, 110.0 / 102 - 1 + 0.02},
         110.0 / 102 - 1 + 0.02 + 2.0 / 110 - 1},
        {&MainWindow::Command39, {0, 5}, 1, "%Acum(1)", {-1, -1}, -1 + 1.0 / 5 - 1},
    };
    for (const Case& c : cases) {
        db->execute("DELETE FROM BPN");
        add_frames({c.frame}, {c.frame_target});
        answer({"1"});
        click(w().*c.button);
        EXPECT_EQ(name(2), c.name);
        std::vector<double> ratios = values(2);
        ASSERT_EQ(ratios.size(), c.ratios.size()) << c.name;
        for (size_t i = 0; i < ratios.size(); ++i) EXPECT_NEAR(ratios[i], c.ratios[i], 1e-12) << c.name << i;
        EXPECT_EQ(target(2).has_value(), c.ratio_target.has_value()) << c.name;
        if (c.ratio_target) {
            EXPECT_NEAR(*target(2), *c.ratio_target, 1e-12) << c.name;
        }
        EXPECT_EQ(w().Text3.text(), " 2");
    }

    answer({"0", "0"});
    click(w().Command23);
    click(w().Command39);
    EXPECT_EQ(platform.texts(), (std::vector<std::string>{"Se pasó trama 0 a tramaaporcentaje",
                                                          "Se paso trama 0 a tramaaporcentajeacumulado"}));
}

TEST_F(FramesConversionsTest, a_ratio_frame_with_a_null_element_is_not_written) {
    add_frames({{1, 2, 3}}, {1});
    db->execute_bound("UPDATE BPN SET valor = NULL WHERE capa = 1 AND fila = 3", {});
    answer({"1"});
    click(w().Command23);
    EXPECT_EQ(platform.texts().back(), "Falta el valor del elemento 3 de la trama 1\rNo se agrego ninguna trama");
    EXPECT_EQ(frames(), 1);
}

}  // namespace
}  // namespace vorn
