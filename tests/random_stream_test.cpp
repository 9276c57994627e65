// The random stream draws exactly what a Mersenne twister (std::mt19937_64)
// seeded from the same splitmix64 seed sequence draws, whatever the mix of
// reseeds and draws: a fixed --seed gives the numbers it always gave.
#include <gtest/gtest.h>

#include <random>

#include "shell/platform.h"

namespace vorn::testing {
namespace {

std::uint64_t splitmix64(std::uint64_t x) {
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

TEST(RandomStream, draws_what_the_standard_twister_draws_across_reseeds_and_rounds) {
    // Draws between two reseeds: none, one (the roulette's), a round of the
    // state's 312 words and across it, several rounds.
    for (const std::uint64_t seed : {0ULL, 42ULL, 18446744073709551615ULL}) {
        RandomStream stream(seed);
        std::uint64_t next_seed = splitmix64(seed);
        std::mt19937_64 reference(next_seed);
        for (const int draws : {0, 1, 1, 155, 156, 157, 311, 312, 313, 0, 1, 1000, 2}) {
            for (int k = 0; k < draws; ++k) {
                ASSERT_EQ(stream.uniform(), static_cast<double>(reference() >> 11) * 0x1.0p-53)
                    << seed << " " << draws << " " << k;
            }
            stream.reseed();
            next_seed = splitmix64(next_seed);
            reference.seed(next_seed);
        }
    }
}

}  // namespace
}  // namespace vorn::testing
