#include "ga/tournament.h"

#include <cmath>
#include <limits>

#include "shell/platform.h"

namespace vorn::ga {

namespace {

// A uniform index below n (n > 0); the draw is below 1, the guard is for
// rounding.
size_t draw_index(size_t n, RandomSource& draws) {
    const auto i = static_cast<size_t>(draws.random() * static_cast<double>(n));
    return i < n ? i : n - 1;
}

}  // namespace

double tournament_rank(double fitness, bool rule) {
    if (std::isnan(fitness) || (rule && fitness == -1)) return -std::numeric_limits<double>::infinity();
    return fitness;
}

size_t tournament_pick(const std::vector<double>& ranks, RandomSource& draws) {
    size_t best = draw_index(ranks.size(), draws);
    for (int k = 1; k < kTournamentSize; ++k) {
        const size_t other = draw_index(ranks.size(), draws);
        if (ranks[other] > ranks[best]) best = other;
    }
    return best;
}

void one_point_crossover(std::string& a, std::string& b, double chance, RandomSource& draws) {
    if (!(draws.random() < chance) || a.size() < 2 || a.size() != b.size()) return;
    const size_t cut = 1 + draw_index(a.size() - 1, draws);
    for (size_t i = cut; i < a.size(); ++i) std::swap(a[i], b[i]);
}

void mutate_bits(std::string& chromosome, double rate, RandomSource& draws) {
    for (char& bit : chromosome) {
        if (draws.random() < rate) bit = bit == '1' ? '0' : '1';
    }
}

void HallOfFame::offer(const std::string& cadena, double fitness, double rank) {
    for (const Entry& e : entries_) {
        if (e.cadena == cadena) return;
    }
    size_t at = entries_.size();
    while (at > 0 && entries_[at - 1].rank < rank) --at;
    if (at >= size_) return;
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(at), Entry{cadena, fitness, rank});
    if (entries_.size() > size_) entries_.pop_back();
}

}  // namespace vorn::ga
