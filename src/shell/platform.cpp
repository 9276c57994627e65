#include "shell/platform.h"

#include <algorithm>
#include <ctime>

namespace vorn {

const char* icon_name(Icon icon) {
    switch (icon) {
        case Icon::Information: return "information";
        case Icon::Exclamation: return "exclamation";
        case Icon::Critical: return "critical";
        case Icon::Question: return "question";
        case Icon::None: break;
    }
    return "none";
}

LocalTime to_local_time(std::chrono::system_clock::time_point when) {
    auto seconds = std::chrono::time_point_cast<std::chrono::seconds>(when);
    std::time_t t = std::chrono::system_clock::to_time_t(seconds);
    std::tm tm{};
    localtime_r(&t, &tm);
    LocalTime local;
    local.year = tm.tm_year + 1900;
    local.month = tm.tm_mon + 1;
    local.day = tm.tm_mday;
    local.hour = tm.tm_hour;
    local.minute = tm.tm_min;
    auto fraction = std::chrono::duration<double>(when - seconds).count();
    local.second = tm.tm_sec + fraction;
    return local;
}

namespace {
// splitmix64: spreads consecutive seeds far apart, so reseeding with seed+1
// gives an unrelated stream.
std::uint64_t mix(std::uint64_t x) {
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}
}  // namespace

RandomStream::RandomStream(std::uint64_t seed) : next_seed_(mix(seed)), engine_(next_seed_) {}

std::uint64_t RandomStream::seed_from_clock() {
    static std::uint64_t counter = 0;
    auto ticks = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    return mix(static_cast<std::uint64_t>(ticks) ^ mix(++counter));
}

double RandomStream::uniform() {
    // 53 random bits give every double in [0, 1) on a uniform grid, never 1.
    return static_cast<double>(engine_.next() >> 11) * 0x1.0p-53;
}

void RandomStream::reseed() {
    next_seed_ = mix(next_seed_);
    engine_.seed_with(next_seed_);
}

void RandomStream::Twister::seed_with(std::uint64_t seed) {
    state_[0] = seed;
    seeded_ = 1;
    next_ = 0;
}

void RandomStream::Twister::seed_up_to(std::size_t word) {
    for (; seeded_ <= word; ++seeded_) {
        const std::uint64_t previous = state_[seeded_ - 1];
        state_[seeded_] = 6364136223846793005ULL * (previous ^ (previous >> 62)) + seeded_;
    }
}

std::uint64_t RandomStream::Twister::next() {
    constexpr std::uint64_t kUpper = ~std::uint64_t{0} << 31;
    constexpr std::uint64_t kLower = ~kUpper;
    constexpr std::uint64_t kMatrix = 0xb5026f5aa96619e9ULL;
    // Word i of a round is twisted from words i and i + 1 of the round
    // before and word i + 156, which is of the round before while i + 156
    // is within the state and already of this round past its end; so
    // twisting in draw order gives the state the engine twists all at once.
    const std::size_t i = next_;
    if (seeded_ < kWords) seed_up_to(std::min(i + kShift, kWords - 1));
    const std::uint64_t x = (state_[i] & kUpper) | (state_[(i + 1) % kWords] & kLower);
    state_[i] = state_[(i + kShift) % kWords] ^ (x >> 1) ^ ((x & 1) != 0 ? kMatrix : 0);
    next_ = (i + 1) % kWords;
    std::uint64_t y = state_[i];
    y ^= (y >> 29) & 0x5555555555555555ULL;
    y ^= (y << 17) & 0x71d67fffeda60000ULL;
    y ^= (y << 37) & 0xfff7eee000000000ULL;
    y ^= y >> 43;
    return y;
}

}  // namespace vorn
