// The walk-forward study's computation: for each test year, rules are
// searched on the years before it and judged on the year itself, beside
// what holding the market and picking rules at random would have made.
//
// Everything here only computes: no Platform, no database, no controls.
// Each test year draws from a generator of its own, seeded from the
// study's seed and the year, so a year's row is the same whichever thread
// computes it and however many threads there are.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ga/rule_returns.h"

namespace vorn::drivers {

struct StudySettings {
    int desde = 2014;  // first test year
    int hasta = 2021;  // last test year
    int anios = 2;     // training years before each test year
    double costo = 0.5;  // percent of what each entry and each exit moves
    long azar = 1000;    // random readable rules of each year's p-value
    // The search, as the GA window's fields give it.
    bool torneo = true;
    long population = 20;
    long length = 40;
    long generations = 50;
    long long passes = 1;
    std::uint64_t seed = 0;
};

// One test year, returns in percent.
struct StudyYear {
    int anio = 0;
    std::string cadena;   // the rule found: the fittest rule the search scored
    std::string descrip;  // the rule in words
    double entrenamiento = 0;  // its return over the training span
    double prueba = 0;         // its return over the test year
    int operaciones = 0;       // its entries in the test year
    std::optional<double> canasta;  // the basket over the test year
    std::optional<double> accion;   // holding the traded stock over the test year
    double azar = 0;     // the test return of the random-search rule
    double pvalor = 0;   // share of the best random rules that did at least as well
    long long evaluadas = 0;  // distinct chromosomes the search scored
};

struct StudySummary {
    double media_regla = 0, media_azar = 0;
    std::optional<double> media_canasta;
    int anios_ganados = 0;  // years the found rule beat the basket
    double p_canasta = 1, p_azar = 1;
};

// P(X >= wins) for X ~ Binomial(wins + losses, 1/2): the one-sided exact
// sign test (ties are left out by the caller); 1 when there is no pair.
double sign_test(int wins, int losses);

// The random rules each year's p-value looks at: the 5 % with the best
// training returns, at least 20 (never more than there are).
long top_random_rules(long azar);

// Of the random rules (training and test return of each, in draw order),
// the `top` with the best training returns (earlier draws first among
// equals): the share whose test return is at least `found`.
double share_at_least(const std::vector<std::pair<double, double>>& random_rules, long top, double found);

// What is wrong with the settings, in Spanish, or nothing. The history
// holds the years that may be used.
std::optional<std::string> settings_problem(const StudySettings& settings, int first_year, int last_year);

// The rule in words, series named by their codes.
std::string describe_signal_rule(const ga::SignalRule& rule, const ga::MarketHistory& history, int year);

// One test year. Returns nothing when stop became true first.
std::optional<StudyYear> study_year(const ga::MarketHistory& history, const StudySettings& settings, int year,
                                    const std::atomic<bool>& stop);

struct StudyProgress {
    int done = 0;               // years ended
    std::vector<int> running;   // years being computed, in order
};

// Every test year, on `threads` worker threads (at least one). The calling
// thread waits, calling poll about every 50 ms and whenever a year ends;
// poll may set stop. A worker's exception stops the others and is thrown
// here. Nothing when stopped.
std::optional<std::vector<StudyYear>> study_years(const ga::MarketHistory& history, const StudySettings& settings,
                                                  unsigned threads, std::atomic<bool>& stop,
                                                  const std::function<void(const StudyProgress&)>& poll = {});

StudySummary summarize(const std::vector<StudyYear>& years);

}  // namespace vorn::drivers
