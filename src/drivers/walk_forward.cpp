#include "drivers/walk_forward.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <limits>
#include <mutex>
#include <numeric>
#include <thread>
#include <unordered_map>

#include "ga/chromosome.h"
#include "ga/population.h"
#include "ga/tournament.h"
#include "shell/platform.h"

namespace vorn::drivers {

namespace {

using ga::MarketHistory;
using ga::SignalRule;

// The score of a chromosome that is no rule: a total loss, below every
// return a rule can make, so the roulette gives it no chance and a
// tournament never prefers it.
constexpr double kUnreadable = -100;
// The classic method's chance of a one-bit mutation of each first child.
constexpr double kClassicMutation = 0.005;
// A classic pass ends when the total fitness repeats; populations that
// never settle end here.
constexpr int kMaxClassicGenerations = 1000;
// How often the long loops look at the stop flag.
constexpr int kStopEvery = 64;
constexpr auto kPollInterval = std::chrono::milliseconds(50);
constexpr double kTopShare = 0.05;
constexpr long kLeastTopRules = 20;

std::uint64_t year_seed(std::uint64_t seed, int year) {
    return seed ^ (0x9E3779B97F4A7C15ULL * static_cast<std::uint64_t>(year));
}

// A uniform index below n (n > 0).
size_t draw_index(size_t n, RandomSource& draws) {
    const auto i = static_cast<size_t>(draws.random() * static_cast<double>(n));
    return i < n ? i : n - 1;
}

// The search's fitness: the compounded training return of a readable
// rule, each chromosome scored once; it remembers the fittest readable
// rule it scored (the first of equals).
class TrainingScore {
public:
    TrainingScore(const MarketHistory& history, const std::vector<int>& span, double cost)
        : history_(history), span_(span), cost_(cost) {}

    double operator()(const std::string& chromosome) {
        auto [it, fresh] = scores_.try_emplace(chromosome, kUnreadable);
        if (!fresh) return it->second;
        if (const std::optional<SignalRule> rule = ga::readable_rule(chromosome, history_.series_count())) {
            it->second = ga::rule_return(*rule, history_, span_, cost_).percent;
            if (best_.empty() || it->second > best_score_) {
                best_ = chromosome;
                best_score_ = it->second;
            }
        }
        return it->second;
    }

    long long scored() const { return static_cast<long long>(scores_.size()); }
    const std::string& best() const { return best_; }

private:
    const MarketHistory& history_;
    const std::vector<int>& span_;
    double cost_;
    std::unordered_map<std::string, double> scores_;
    std::string best_;
    double best_score_ = 0;
};

// Scores every chromosome; false when the stop came first.
bool score_all(const std::vector<std::string>& rows, std::vector<double>& scores, TrainingScore& score,
               const std::atomic<bool>& stop) {
    scores.resize(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        if (i % kStopEvery == 0 && stop.load(std::memory_order_relaxed)) return false;
        scores[i] = score(rows[i]);
    }
    return true;
}

std::vector<std::string> fresh_rows(const StudySettings& s, RandomSource& draws) {
    std::vector<std::string> rows;
    for (long i = 0; i < s.population; ++i) rows.push_back(ga::random_chromosome(s.length, draws));
    return rows;
}

// "Torneo": the best passes unchanged, the others are bred from parents
// picked by tournaments of three, crossed at one point, mutated bit by bit.
bool tournament_pass(const StudySettings& s, TrainingScore& score, RandomSource& draws,
                     const std::atomic<bool>& stop) {
    const double rate = std::min(ga::kMaxBitRate, ga::kMutationsPerChromosome / static_cast<double>(s.length));
    std::vector<std::string> rows = fresh_rows(s, draws);
    std::vector<double> ranks;
    if (!score_all(rows, ranks, score, stop)) return false;
    for (long generation = 0; generation < s.generations; ++generation) {
        std::vector<std::string> next(rows.size());
        next[0] = rows[static_cast<size_t>(std::max_element(ranks.begin(), ranks.end()) - ranks.begin())];
        for (size_t i = 1; i < rows.size(); i += 2) {
            std::string a = rows[ga::tournament_pick(ranks, draws)];
            std::string b = rows[ga::tournament_pick(ranks, draws)];
            ga::one_point_crossover(a, b, ga::kCrossoverChance, draws);
            ga::mutate_bits(a, rate, draws);
            next[i] = std::move(a);
            if (i + 1 < rows.size()) {
                ga::mutate_bits(b, rate, draws);
                next[i + 1] = std::move(b);
            }
        }
        rows = std::move(next);
        if (!score_all(rows, ranks, score, stop)) return false;
    }
    return true;
}

// "Clasico": roulette over the fitness (shifted when any is negative),
// random pairs, every pair crossed at one point and the first child
// perhaps mutated in one bit, until the total fitness repeats.
bool classic_pass(const StudySettings& s, TrainingScore& score, RandomSource& draws, const std::atomic<bool>& stop) {
    std::vector<std::string> rows = fresh_rows(s, draws);
    std::vector<double> scores;
    std::optional<double> last_total;
    for (int generation = 0; generation < kMaxClassicGenerations; ++generation) {
        if (!score_all(rows, scores, score, stop)) return false;
        const double total = std::accumulate(scores.begin(), scores.end(), 0.0);
        if (last_total && *last_total == total) break;
        last_total = total;
        std::vector<ga::GaRow> wheel(rows.size());
        for (size_t i = 0; i < rows.size(); ++i) wheel[i].fitness = scores[i];
        ga::probabilidades(wheel, total);
        std::vector<std::string> pool;
        pool.reserve(rows.size());
        for (size_t i = 0; i < rows.size(); ++i) pool.push_back(rows[ga::ruleta(wheel, draws)]);
        for (size_t i = pool.size(); i > 1; --i) std::swap(pool[i - 1], pool[draw_index(i, draws)]);
        for (size_t i = 0; i < pool.size(); i += 2) {
            const std::string& a = pool[i];
            const std::string& b = i + 1 < pool.size() ? pool[i + 1] : pool[i];
            const size_t cut = a.size() < 2 ? a.size() : 1 + draw_index(a.size() - 1, draws);
            std::string first = a.substr(0, cut) + b.substr(cut);
            std::string second = b.substr(0, cut) + a.substr(cut);
            if (std::optional<std::string> mutated = ga::mutation(first, kClassicMutation, draws)) first = *mutated;
            rows[i] = std::move(first);
            if (i + 1 < rows.size()) rows[i + 1] = std::move(second);
        }
    }
    return true;
}

struct RandomRule {
    double training = 0, test = 0;
};

}  // namespace

double sign_test(int wins, int losses) {
    const int n = wins + losses;
    if (n <= 0) return 1;
    // C(n, k) / 2^n summed from k = wins, built up from C(n, n) = 1.
    double term = std::ldexp(1.0, -n), sum = 0;
    for (int k = n; k >= wins; --k) {
        sum += term;
        term = term * k / (n - k + 1);
    }
    return std::min(1.0, sum);
}

long top_random_rules(long azar) {
    const auto share = static_cast<long>(std::ceil(kTopShare * static_cast<double>(azar)));
    return std::min(azar, std::max(kLeastTopRules, share));
}

double share_at_least(const std::vector<std::pair<double, double>>& random_rules, long top, double found) {
    std::vector<size_t> order(random_rules.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return random_rules[a].first > random_rules[b].first; });
    const size_t taken = std::min(order.size(), static_cast<size_t>(std::max(0L, top)));
    if (taken == 0) return 1;
    size_t at_least = 0;
    for (size_t i = 0; i < taken; ++i) {
        if (random_rules[order[i]].second >= found) ++at_least;
    }
    return static_cast<double>(at_least) / static_cast<double>(taken);
}

std::optional<std::string> settings_problem(const StudySettings& s, int first_year, int last_year) {
    const std::string first = std::to_string(first_year), last = std::to_string(last_year);
    if (s.anios < 1) return "A\xC3\xB1os debe ser al menos 1";
    if (s.desde - s.anios < first_year)
        return "Desde menos A\xC3\xB1os no puede ser anterior a " + first + ": no hay datos antes de " + first;
    if (s.hasta > last_year) return "Hasta no puede pasar de " + last + ": no hay datos despues de " + last;
    if (s.desde > s.hasta) return "Desde no puede ser posterior a Hasta";
    if (!(s.costo >= 0)) return "Costo % no puede ser negativo";
    if (!(s.costo < 100)) return "Costo % debe ser menor que 100";
    if (s.azar < kLeastTopRules) return "Reglas al azar debe ser al menos 20";
    if (s.length < static_cast<long>(ga::kReadableRuleBits))
        return "El estudio necesita Tama\xC3\xB1o Cadena de al menos 38 bits: una regla ocupa 38";
    return std::nullopt;
}

std::string describe_signal_rule(const SignalRule& rule, const MarketHistory& history, int year) {
    auto code = [&](long numero) { return history.code(year, numero); };
    auto op = [](ga::Comparison c) {
        switch (c) {
            case ga::Comparison::Different: return "<>";
            case ga::Comparison::AtLeast: return ">=";
            case ga::Comparison::AtMost: return "<=";
            case ga::Comparison::Above: return ">";
            case ga::Comparison::Below: return "<";
            case ga::Comparison::Equal: break;
        }
        return "=";
    };
    const std::string first = code(rule.left1) + " " + op(rule.op1) + " " + code(rule.right1);
    const std::string second = code(rule.left2) + " " + op(rule.op2) + " " + code(rule.right2);
    std::string words = "Tener " + code(rule.traded) + " el mes que sigue a uno en que ";
    switch (rule.join) {
        case SignalRule::Join::Both: return words + first + " y " + second;
        case SignalRule::Join::Either: return words + first + " o " + second;
        case SignalRule::Join::NotFirst: return words + "no " + first + " y " + second;
        case SignalRule::Join::FirstOnly: break;
    }
    return words + first;
}

std::optional<StudyYear> study_year(const MarketHistory& history, const StudySettings& s, int year,
                                    const std::atomic<bool>& stop) {
    StreamSource draws(year_seed(s.seed, year));
    const std::vector<int> training = history.span(year - s.anios, year - 1);
    const std::vector<int> test = history.year_span(year);
    const long m = history.series_count();

    TrainingScore score(history, training, s.costo);
    for (long long pass = 0; pass < s.passes; ++pass) {
        const bool whole = s.torneo ? tournament_pass(s, score, draws, stop) : classic_pass(s, score, draws, stop);
        if (!whole) return std::nullopt;
    }
    // A search that met no readable rule at all goes on drawing until it
    // does: every year reports a rule a trader could follow.
    for (long k = 0; score.best().empty(); ++k) {
        if (k % kStopEvery == 0 && stop.load(std::memory_order_relaxed)) return std::nullopt;
        score(ga::random_chromosome(s.length, draws));
    }

    StudyYear row;
    row.anio = year;
    row.cadena = score.best();
    row.evaluadas = score.scored();
    const SignalRule rule = *ga::readable_rule(row.cadena, m);
    row.descrip = describe_signal_rule(rule, history, year);
    row.entrenamiento = ga::rule_return(rule, history, training, s.costo).percent;
    const ga::SpanReturn tested = ga::rule_return(rule, history, test, s.costo);
    row.prueba = tested.percent;
    row.operaciones = tested.entries;
    row.canasta = ga::basket_return(history, test, s.costo);
    row.accion = ga::hold_return(rule.traded, history, test, s.costo);

    // Random readable rules: the first as many as the search scored make
    // the random search; the first azar of them make the p-value.
    const long long wanted = std::max<long long>(row.evaluadas, s.azar);
    std::vector<std::pair<double, double>> random_rules;
    random_rules.reserve(static_cast<size_t>(wanted));
    // Drawn as random_chromosome draws, into one buffer: the loop runs
    // hundreds of thousands of times and an allocation each would make the
    // threads wait on the allocator.
    std::string chromosome(static_cast<size_t>(s.length), '0');
    for (long long k = 0; static_cast<long long>(random_rules.size()) < wanted; ++k) {
        if (k % kStopEvery == 0 && stop.load(std::memory_order_relaxed)) return std::nullopt;
        for (char& bit : chromosome) bit = draws.random() >= 0.5 ? '1' : '0';
        const std::optional<SignalRule> drawn = ga::readable_rule(chromosome, m);
        if (!drawn) continue;
        random_rules.emplace_back(ga::rule_return(*drawn, history, training, s.costo).percent,
                                  ga::rule_return(*drawn, history, test, s.costo).percent);
    }
    size_t best = 0;
    for (size_t i = 1; i < static_cast<size_t>(row.evaluadas); ++i) {
        if (random_rules[i].first > random_rules[best].first) best = i;
    }
    row.azar = random_rules[best].second;
    random_rules.resize(static_cast<size_t>(s.azar));
    row.pvalor = share_at_least(random_rules, top_random_rules(s.azar), row.prueba);
    return row;
}

std::optional<std::vector<StudyYear>> study_years(const MarketHistory& history, const StudySettings& s,
                                                  unsigned threads, std::atomic<bool>& stop,
                                                  const std::function<void(const StudyProgress&)>& poll) {
    const int count = s.hasta - s.desde + 1;
    std::vector<std::optional<StudyYear>> rows(static_cast<size_t>(std::max(0, count)));
    std::atomic<int> next{0};
    std::mutex mutex;
    std::condition_variable changed;
    int done = 0;
    std::vector<int> running;
    std::exception_ptr failure;
    auto work = [&] {
        for (int i = next++; i < count && !stop.load(); i = next++) {
            const int year = s.desde + i;
            {
                std::lock_guard lock(mutex);
                running.push_back(year);
            }
            try {
                std::optional<StudyYear> row = study_year(history, s, year, stop);
                std::lock_guard lock(mutex);
                rows[static_cast<size_t>(i)] = std::move(row);
                running.erase(std::find(running.begin(), running.end(), year));
                ++done;
            } catch (...) {
                std::lock_guard lock(mutex);
                if (!failure) failure = std::current_exception();
                stop = true;
            }
            changed.notify_all();
        }
    };
    std::vector<std::thread> workers;
    const unsigned n = std::max(1U, std::min(threads, static_cast<unsigned>(std::max(1, count))));
    for (unsigned t = 0; t < n; ++t) workers.emplace_back(work);
    {
        std::unique_lock lock(mutex);
        while (done < count && !stop.load() && !failure) {
            StudyProgress progress{done, running};
            std::sort(progress.running.begin(), progress.running.end());
            const int so_far = done;
            lock.unlock();
            if (poll) poll(progress);
            lock.lock();
            if (done == so_far && !stop.load() && !failure) changed.wait_for(lock, kPollInterval);
        }
    }
    for (std::thread& worker : workers) worker.join();
    if (failure) std::rethrow_exception(failure);
    std::vector<StudyYear> years;
    for (std::optional<StudyYear>& row : rows) {
        if (!row) return std::nullopt;
        years.push_back(std::move(*row));
    }
    return years;
}

StudySummary summarize(const std::vector<StudyYear>& years) {
    StudySummary summary;
    if (years.empty()) return summary;
    int over_basket = 0, under_basket = 0, over_random = 0, under_random = 0, baskets = 0;
    double basket_sum = 0;
    for (const StudyYear& y : years) {
        summary.media_regla += y.prueba;
        summary.media_azar += y.azar;
        if (y.canasta) {
            basket_sum += *y.canasta;
            ++baskets;
            over_basket += y.prueba > *y.canasta;
            under_basket += y.prueba < *y.canasta;
        }
        over_random += y.prueba > y.azar;
        under_random += y.prueba < y.azar;
    }
    const auto n = static_cast<double>(years.size());
    summary.media_regla /= n;
    summary.media_azar /= n;
    if (baskets > 0) summary.media_canasta = basket_sum / baskets;
    summary.anios_ganados = over_basket;
    summary.p_canasta = sign_test(over_basket, under_basket);
    summary.p_azar = sign_test(over_random, under_random);
    return summary;
}

}  // namespace vorn::drivers
