#include "ga/chromosome.h"

#include <cmath>

#include "shell/number_text.h"
#include "shell/platform.h"

namespace vorn::ga {

namespace {
constexpr int kMaxPositionDraws = 20;
}

std::string_view mid(std::string_view s, long start, long count) {
    if (start < 1 || count <= 0 || static_cast<size_t>(start) > s.size()) return {};
    return s.substr(static_cast<size_t>(start - 1), static_cast<size_t>(count));
}

double valorbinario(std::string_view chromosome) {
    std::string_view s = trim(chromosome);
    double value = 0;
    double weight = 1;
    for (size_t i = s.size(); i-- > 0;) {
        const char c = s[i];
        if (c >= '1' && c <= '9') value += (c - '0') * weight;
        weight *= 2;
    }
    return value;
}

std::string random_chromosome(long length, RandomSource& draws) {
    std::string chromosome;
    if (length > 0) chromosome.reserve(static_cast<size_t>(length));
    for (long i = 0; i < length; ++i) chromosome.push_back(draws.random() >= 0.5 ? '1' : '0');
    return chromosome;
}

std::string flip_bit(std::string_view chromosome, long position) {
    std::string out(chromosome);
    if (position < 1 || static_cast<size_t>(position) > out.size()) return out;
    char& c = out[static_cast<size_t>(position - 1)];
    c = c == '0' ? '1' : '0';
    return out;
}

std::optional<std::string> mutation(std::string_view chromosome, double pmut, RandomSource& draws) {
    const double u0 = draws.random();
    const std::string_view s = trim(chromosome);
    const auto n = static_cast<long>(s.size());
    long p = 0;
    for (int draw = 0; draw < kMaxPositionDraws && p == 0; ++draw) {
        p = static_cast<long>(std::floor(static_cast<double>(n) * draws.random()));
    }
    if (u0 <= pmut && p > 1 && p < n) return flip_bit(s, p);
    return std::nullopt;
}

std::string mutar(std::string_view chromosome, double pmut, Platform& platform) {
    std::optional<std::string> mutated = mutation(chromosome, pmut, platform);
    if (!mutated) return std::string(chromosome);
    platform.beep();
    platform.beep();
    return std::move(*mutated);
}

}  // namespace vorn::ga
