// An operation works on frames that exist in the table and are as long as
// the frame size, compared after the operands are corrected.
#include <deque>

#include "frames_fixture.h"

namespace vorn {
namespace {

using ::testing::ElementsAre;
using testing::FramesTest;

class FramesOperandsTest : public FramesTest {};

TEST_F(FramesOperandsTest, difference_and_quotient_compare_the_frames_actually_used) {
    add_frames({{1, 2}, {3, 4}, {5, 6}, {7, 8}}, {0.1, 0.2, 0.3, 0.4});
    // 5 and 6 both become frame 4: a frame against itself writes nothing.
    answer({"5", "6"});
    click(w().Command21);
    EXPECT_EQ(frames(), 4);
    w().Text9.set_text("SI");
    answer({"5", "6"});
    click(w().Command20);
    EXPECT_EQ(frames(), 4);
    EXPECT_EQ(platform.texts(), std::vector<std::string>{"Sub Redividir tramas mult1=mult2= 4"});
    // Two different frames still combine.
    answer({"5", "1"});
    click(w().Command21);
    EXPECT_THAT(values(5), ElementsAre(6, 6));
}

TEST_F(FramesOperandsTest, a_frame_shorter_than_the_frame_size_is_refused_by_name) {
    add_frames({{1, 2, 3, 4}, {5, 6}}, {0.5, 0.25});
    const std::vector<std::pair<Command*, std::deque<std::optional<std::string>>>> cases{
        {&w().Command22, {"1", "2"}}, {&w().Command19, {"2", "1"}}, {&w().Command18, {"2", "1"}},
        {&w().Command23, {"2"}},      {&w().Command39, {"2"}},      {&w().Command30, {"2", "2"}}};
    for (const auto& [button, answers] : cases) {
        SCOPED_TRACE(button->name());
        platform.messages.clear();
        platform.inputs = answers;
        click(*button);
        EXPECT_EQ(platform.texts(), std::vector<std::string>{"La trama 2 tiene menos de 4 elementos"});
        EXPECT_EQ(count(), 8);
    }
}

TEST_F(FramesOperandsTest, cells_past_a_frame_read_empty_after_the_table_changes) {
    add_frames({{1, 2, 3, 4}, {5, 6, 7, 8}}, {0.5, 0.25});
    db->execute("DELETE FROM BPN WHERE columna = 2 AND fila > 2");
    db->execute("INSERT INTO BPN VALUES (1, 4, 2, 9, '')");
    refresh_all();
    click(w().Command34);
    engine::Network& net = bench->network();
    EXPECT_EQ(net.frame_length(2), 4);
    EXPECT_TRUE(net.entrada(3, 2).is_empty());
    EXPECT_EQ(net.entrada(4, 2).value, 9);
    db->execute("DELETE FROM BPN WHERE columna = 2");
    refresh_all();
    click(w().Command34);
    EXPECT_TRUE(!net.frame_exists(2) && net.entrada(1, 2).is_empty());
    // "X" on it computes nothing.
    w().Text5.set_text("2");
    click(w().Command3);
    EXPECT_EQ(platform.texts(), std::vector<std::string>{"No existe trama  2"});
}

TEST_F(FramesOperandsTest, in_place_conversions_ask_the_table_whether_the_frame_exists) {
    add_frames({{1, 2}, {3, 4}}, {0.5, 0.25});
    // A frame added since the last load is there, whatever Text3 says.
    add_frame(3, {-1, 1}, 0.9);
    refresh_all();
    answer({"3", "0"});
    click(w().Command27);
    EXPECT_THAT(values(3), ElementsAre(-1, 1));
    EXPECT_EQ(name(3), "1-1(3)");
    // A number below the count that names no frame is refused.
    db->execute("DELETE FROM BPN WHERE columna = 2");
    refresh_all();
    answer({"2"});
    click(w().Command25);
    EXPECT_EQ(platform.texts(), std::vector<std::string>{"No existe trama  2"});
}

}  // namespace
}  // namespace vorn
