#include "shell/platform.h"

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
    return static_cast<double>(engine_() >> 11) * 0x1.0p-53;
}

void RandomStream::reseed() {
    next_seed_ = mix(next_seed_);
    engine_.seed(next_seed_);
}

}  // namespace vorn
