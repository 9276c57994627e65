// Moving average and partition ("MAV", "PAR-", "PAR+").
#include "frames_fixture.h"

namespace vorn {
namespace {

using ::testing::ElementsAre;
using testing::FramesTest;

class FramesAveragingTest : public FramesTest {
protected:
    static std::vector<double> series(int n) {
        std::vector<double> out;
        for (int i = 1; i <= n; ++i) out.push_back(i);
        return out;
    }
};

TEST_F(FramesAveragingTest, moving_average_is_the_mean_of_the_elements_before) {
    add_frames({{1, 2, 3, 4}}, {0.8});
    answer({"1", "2", "1", "9"});
    click(w().menucalcularmovingaverage);
    EXPECT_EQ(name(2), "MAV1,2");
    EXPECT_THAT(values(2), ElementsAre(0, 0, 1.5, 2.5));
    EXPECT_EQ(target(2), 0.8);
    // More periods than elements: every element lacks predecessors.
    click(w().Command18);
    EXPECT_EQ(name(3), "MAV1,4");
    EXPECT_THAT(values(3), ElementsAre(0, 0, 0, 0));
    EXPECT_EQ(w().Text3.text(), " 3");
}

TEST_F(FramesAveragingTest, partition_cuts_windows_from_the_end_of_the_series) {
    add_frames({series(10)}, {std::nullopt});
    answer({"1", "5"});
    click(w().Command30);
    EXPECT_EQ(name(2), "PART+ 1,5");
    EXPECT_EQ(target(2), 10);
    EXPECT_THAT(values(2), ElementsAre(9, 8, 7, 6));
    EXPECT_EQ(target(3), 5);
    EXPECT_THAT(values(3), ElementsAre(4, 3, 2, 1));

    // Windows of four: the one ending at element 2 would reach before the first.
    answer({"1", "4"});
    click(w().menuparticionartrama);
    EXPECT_EQ(frames(), 5);
    EXPECT_EQ(target(4), 10);
    EXPECT_EQ(target(5), 6);
    EXPECT_THAT(values(5), ElementsAre(5, 4, 3));
    EXPECT_EQ(w().Text3.text(), " 5");
}

TEST_F(FramesAveragingTest, partition_then_reversal_puts_the_oldest_window_first) {
    add_frames({{1, 2, 3, 4}, {5, 6, 7, 8}}, {0.1, 0.2});
    answer({"2", "2"});
    click(w().Command40);
    // Before: 1, 2 and the windows (target 8) and (target 6).
    EXPECT_EQ(target(1), 6);
    EXPECT_EQ(target(2), 8);
    EXPECT_THAT(values(3), ElementsAre(5, 6, 7, 8));
    EXPECT_THAT(values(4), ElementsAre(1, 2, 3, 4));
    // The arrays follow the new numbers without another load.
    EXPECT_EQ(bench->network().entrada(1, 1).value, 5);
    EXPECT_TRUE(bench->network().entrada(2, 1).is_empty());
    EXPECT_EQ(bench->network().entrada(4, 4).value, 4);
    EXPECT_EQ(bench->network().target(2).value, 8);
}

TEST_F(FramesAveragingTest, windows_of_fewer_than_two_elements_are_refused) {
    // A window of one would be a target with no pattern, which the counts miss.
    add_frames({{1, 2}, {3, 4}}, {0.1, 0.2});
    for (const char* n : {"1", "0", "-3"}) {
        SCOPED_TRACE(n);
        platform.messages.clear();
        answer({"2", n});
        click(w().Command40);
        EXPECT_EQ(platform.texts(), std::vector<std::string>{"La particion necesita al menos 2 elementos"});
        EXPECT_EQ(count(), 6);
        EXPECT_THAT(values(1), ElementsAre(1, 2));
    }
}

TEST_F(FramesAveragingTest, a_partition_that_cannot_be_completed_writes_no_frame) {
    add_frame(1, series(10), std::nullopt);
    for (int f = 2; f <= 97; ++f) add_frame(f, {1}, std::nullopt);
    refresh_all();
    // Windows of two: five frames would not fit beside ninety-seven others.
    answer({"1", "2"});
    click(w().Command30);
    EXPECT_EQ(platform.texts().back(), "No se puede agregar la trama 102: el maximo es de 100 tramas");
    EXPECT_EQ(frames(), 97);

    db->execute_bound("UPDATE BPN SET valor = NULL WHERE columna = 1 AND fila = 3", {});
    answer({"1", "5"});
    click(w().Command40);
    EXPECT_EQ(platform.texts().back(), "Falta el valor del elemento 3 de la trama 1\rNo se agrego ninguna trama");
    EXPECT_EQ(frames(), 97);
    EXPECT_EQ(count("capa = 10"), 0);
    EXPECT_EQ(values(1).size(), 10u);
}

}  // namespace
}  // namespace vorn
