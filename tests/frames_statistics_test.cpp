// Statistics and normalisation: "Z", "Tanh(z)", "§" and the column
// statistics behind them.
#include <cmath>

#include "frames_fixture.h"

namespace vorn {
namespace {

using ::testing::DoubleNear;
using ::testing::ElementsAre;
using testing::FramesTest;

class FramesStatisticsTest : public FramesTest {};

TEST_F(FramesStatisticsTest, z_uses_the_mean_and_deviation_of_the_whole_table) {
    add_frames({{1, 2, 3}}, {});
    answer({"1"});
    click(w().Command35);
    EXPECT_THAT(values(1), ElementsAre(-1, 0, 1));
    EXPECT_EQ(name(1), "Z(1)");
    EXPECT_FALSE(w().Text1.visible());
    EXPECT_EQ(platform.asked[0].title, "Normalizar a z=(x-µ)/ð");

    // All values equal: no deviation, so only the mean is taken off.
    db->execute("DELETE FROM BPN");
    add_frames({{4, 4}, {4}}, {4});
    answer({"1", "2"});
    click(w().Command35);
    EXPECT_THAT(values(1), ElementsAre(0, 0));
    EXPECT_EQ(target(1), 0);
    EXPECT_THAT(values(2), ElementsAre(4));

    // Tanh(z): the normalised values through the hyperbolic tangent.
    click(w().Command36);
    EXPECT_EQ(name(2), "TANH(2)");
    // Mean 1 and deviation 2 over (0, 0, 0, 4).
    EXPECT_THAT(values(2), ElementsAre(DoubleNear(std::tanh(1.5), 1e-12)));
    EXPECT_TRUE(platform.messages.empty());
}

TEST_F(FramesStatisticsTest, z_says_what_is_missing) {
    answer({"1", "3"});
    click(w().Command35);
    EXPECT_EQ(platform.texts().back(), "No hay registros en data1");
    add_frames({{1, 2}}, {});
    click(w().Command35);
    EXPECT_EQ(platform.texts().back(), "No existe trama  3");
    EXPECT_THAT(values(1), ElementsAre(1, 2));
}

TEST_F(FramesStatisticsTest, sigma_button_shows_deviation_and_mean_of_one_frame) {
    add_frames({{1, 2, 3}, {10, 20, 30}}, {});
    answer({"2"});
    click(w().Command43);
    EXPECT_EQ(platform.texts(), (std::vector<std::string>{" 10\r 20"}));
    EXPECT_EQ(platform.asked[0].prompt, "Trama a sacar sigma");
    // The data sources are back on their tables afterwards.
    EXPECT_EQ(w().bpn().record_source(), "BPN");
    EXPECT_EQ(w().bpn().record_count(), 6);
}

TEST_F(FramesStatisticsTest, statistics_give_null_or_an_error_text_instead_of_a_number) {
    // No rows at all: the statistic has no record to read.
    EXPECT_EQ(as_text(toolkit().sigma(1, "bpn", "valor")), "ERROR 3021 occurrio en function sigma.");
    EXPECT_EQ(as_text(toolkit().sigmacrit(1, "nosuchtable", "valor", "where columna=1")).substr(0, 6), "ERROR ");
    EXPECT_EQ(w().bpn().record_source(), "BPN");
    add_frames({{5}}, {});
    EXPECT_TRUE(is_null(toolkit().sigma(1, "bpn", "valor")));
    EXPECT_TRUE(is_null(toolkit().promedio(7, "bpn", "valor")));
    EXPECT_TRUE(is_null(toolkit().sigma(4, "pasadasbpn", "error")));
    EXPECT_EQ(as_number(toolkit().promediodonde(1, "bpn", "valor", "where columna=1")), 5);
}

}  // namespace
}  // namespace vorn
