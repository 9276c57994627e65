// The steps of a "Torneo" generation, apart from the run that drives them:
// how a fitness ranks, the tournament that picks a parent, the one-point
// crossover, the bit-by-bit mutation, and the hall of fame of a run. Every
// draw comes from the caller's random source, so a seeded run repeats itself.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vorn {
class RandomSource;
}

namespace vorn::ga {

// Contestants of a tournament, drawn with replacement.
inline constexpr int kTournamentSize = 3;
// The chance that two parents are crossed rather than copied.
inline constexpr double kCrossoverChance = 0.9;
// Bits a child has flipped on average: the per-bit mutation rate is this
// over the chromosome's length (3/L found the best rules of 1/L, 2/L and
// 3/L on "Strat"; the README has the figures), never above kMaxBitRate.
inline constexpr double kMutationsPerChromosome = 3.0;
// Below 6 bits 3/L would flip most of a child and undo the selection.
inline constexpr double kMaxBitRate = 0.5;

// The rank a fitness gives: the fitness itself, except that a NaN (a null
// score) and, for a trading rule, the -1 of a chromosome that is no rule
// rank below every other.
double tournament_rank(double fitness, bool rule);

// The index of the best of kTournamentSize rows drawn with replacement
// (the first drawn among equals). ranks must not be empty.
size_t tournament_pick(const std::vector<double>& ranks, RandomSource& draws);

// Crosses a and b (of equal length) at one cut point in 1..L-1 with
// chance `chance`; chromosomes of one bit are never cut.
void one_point_crossover(std::string& a, std::string& b, double chance, RandomSource& draws);

// Flips each bit with chance `rate`.
void mutate_bits(std::string& chromosome, double rate, RandomSource& draws);

// The best distinct chromosomes seen in a run, best first, each with its
// own score. A chromosome offered again is ignored; among equal ranks the
// one seen first stays ahead.
class HallOfFame {
public:
    struct Entry {
        std::string cadena;
        double fitness = 0;
        double rank = 0;
    };
    explicit HallOfFame(size_t size) : size_(size) {}
    void offer(const std::string& cadena, double fitness, double rank);
    const std::vector<Entry>& entries() const { return entries_; }
    void clear() { entries_.clear(); }

private:
    size_t size_;
    std::vector<Entry> entries_;
};

}  // namespace vorn::ga
