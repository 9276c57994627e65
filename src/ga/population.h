// One generation's work on the population held in memory: the roulette
// probabilities, the roulette draw, the mating pool (`mate`), the random
// pairing and the crossover of every pair (`markcross`). The rows are the
// rows of table GA in table order; the generation loop writes them back
// once the generation ends, so what the table then holds is what the
// step-by-step procedure would have left there.
//
// Draws, beeps, messages and the pairing bound's question go through the
// Platform; what a person watches (the report list, the progress label)
// goes to a GenerationView. Nothing here touches the database or a form.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorn {
class Platform;
class RandomSource;
}

namespace vorn::ga {

// A row of GA (and of borrar2, which has the same columns).
struct GaRow {
    long long recno = 0;
    long long codigo = 0;
    double decimal = 0;
    std::optional<long long> crossover;
    std::optional<long long> mate;
    std::string cadena;
    std::optional<std::string> nueva;
    std::optional<double> fitness;
    std::optional<double> prob;
    std::optional<double> acumprob;
};

// A row of borrar: a copy of a drawn individual.
struct MateCopy {
    long long codigo = 0;
    std::string cadena;
    double decimal = 0;
    long long recno = 0;
    long long mate = 0;
};

// Where a generation shows its progress.
class GenerationView {
public:
    virtual ~GenerationView() = default;
    // The progress label's new caption (repainted at once).
    virtual void progress(const std::string& caption) = 0;
    // A listing: the report list is cleared and gets these lines.
    virtual void listing(std::vector<std::string> lines) = 0;
};

// The user's stop request as a generation's long loops see it. The
// platform is asked at each step of a loop (a roulette draw, a pairing
// pass, a crossover, a fitness), where a step costs far more than the
// question; once it has said yes, the answer is remembered and the platform
// is not asked again.
class StopCheck {
public:
    explicit StopCheck(Platform& platform) : platform_(platform) {}
    // Asks the platform unless a stop was already seen.
    bool requested();
    // Whether a stop was seen, without asking.
    bool seen() const { return seen_; }

private:
    Platform& platform_;
    bool seen_ = false;
};

// The marker of the rows of a new mating pool.
inline constexpr const char* kPoolMarker = "AAA";

// The sum of fitness over the rows (a null counts 0).
double sumafitness(const std::vector<GaRow>& rows);

// prob and acumprob of every row for the total fitness T. When any fitness
// is negative they are computed on fitness minus the lowest fitness, so the
// worst rule gets no chance instead of the best; a total of 0 gives every
// row prob 1. fitness itself is left as it is.
void probabilidades(std::vector<GaRow>& rows, double total);

// The roulette: reseeds, draws r and gives the index of the first row
// whose acumprob reaches r; the last row when none does (rounding can leave
// the last acumprob just below 1). The rows must not be empty.
size_t ruleta(const std::vector<GaRow>& rows, RandomSource& draws);

// `mate`: n roulette draws counted in each drawn row's `mate`; the drawn
// rows' copies (the rows of borrar) join GA as the pool, marked "AAA", and
// the rows of the previous pool leave. Rows with no nueva yet (a freshly
// made population) stay until markcross. Gives the copies. With a stop
// check, a stop seen before a draw ends it at once: the rows are then
// half-made and the caller drops them (stop->seen() says so).
std::vector<MateCopy> mate(std::vector<GaRow>& rows, long n, Platform& platform, GenerationView& view,
                           StopCheck* stop = nullptr);

// How the pairing picks a row among the m unpaired ones: a = number of
// moves from the first row; a row is taken when a < m. Tests inject their
// own to exercise the bound of the pairing loop.
class PairingDraw {
public:
    virtual ~PairingDraw() = default;
    virtual long moves(long m, Platform& platform);
};

// What markcross leaves besides the rows: the last set of unpaired rows
// copied into borrar2.
struct MarkcrossResult {
    std::vector<GaRow> borrar2;
};

// `markcross`: renumbers the rows 1..n, drops the rows of the previous
// population, pairs the pool at random (a last unpaired row is paired with
// itself) and writes every row's offspring into nueva. The pairing loop
// asks "Pasada=n Termino?" every 10 x pool + 10 passes; Yes ends the
// program (throws EndProgram). With a stop check, a stop seen in the
// pairing loop or between two crossovers ends it at once, rows half-made,
// as in mate.
MarkcrossResult markcross(std::vector<GaRow>& rows, Platform& platform, GenerationView& view,
                          PairingDraw& draw, StopCheck* stop = nullptr);
MarkcrossResult markcross(std::vector<GaRow>& rows, Platform& platform, GenerationView& view,
                          StopCheck* stop = nullptr);

// `crossover` of the rows with recno r1 and r2 (p = 1 always crosses): a
// cut point c in 1..L1-1, the first offspring (head of s1, tail of s2,
// mutated with probability 0.005) into r1's nueva, the second (head of s2,
// tail of s1) into r2's. A one-bit chromosome has no cut point: both
// offspring equal their parents.
void crossover(std::vector<GaRow>& rows, double p, long long r1, const std::string& s1, long long r2,
               const std::string& s2, Platform& platform);

// The representative of a generation: the first row with the greatest
// decimal above 0; an empty chromosome when none is above 0.
struct Representative {
    double decimal = 0;
    std::string cadena;
};
Representative representative(const std::vector<GaRow>& rows);

}  // namespace vorn::ga
