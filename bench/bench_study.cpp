// The walk-forward study on the built-in ten-year history.
//
// study/default: the study as "Estudio" runs it with the window's defaults
// (test years 2014..2021, two training years, "Torneo" with 20 chromosomes
// of 40 bits and 50 generations, one pass, 1000 random rules a year), the
// fields checked, the history read, the years computed on every core and
// the study stored, listed and written to estudio.csv. Goal: under 1 s on
// a 2-core machine.
//
// study_compute/100000: the computation alone of the same study with
// 100,000 random rules a year, on one worker thread and on two (the best
// of five runs each). Goal: two threads at least 1.7 times as fast as
// one; the speed-up is printed as a counter.
#include <benchmark/benchmark.h>

#include <atomic>
#include <algorithm>
#include <chrono>

#include "drivers/study.h"
#include "drivers/walk_forward.h"
#include "ga/ga_window.h"
#include "ga/genetic_search.h"
#include "ga/tables.h"
#include "support/bench_main.h"
#include "support/quiet_platform.h"
#include "support/training_bench.h"

namespace {

using namespace vorn;

void study_default(benchmark::State& state) {
    bench::QuietPlatform platform;
    bench::TrainingBench bench(platform);
    Workbench& wb = bench.workbench();
    wb.main().Command46.click();
    ga::GaWindow& w = wb.genetic_search().window();
    wb.fire(w.Timer1);
    w.ComboMetodo.set_text("Torneo");
    w.Text3.set_text("20");
    w.Text4.set_text("40");
    w.TextGeneraciones.set_text("50");
    for (auto _ : state) w.CommandEstudio.click();
    state.counters["compute_s"] = wb.study().last_compute_seconds();
}
BENCHMARK(study_default)->Name("study/default")->Unit(benchmark::kMillisecond)->UseRealTime();

ga::MarketHistory history_of(Database& db) {
    ga::MarketHistory history;
    for (int year = 2012; year <= 2022; ++year) history.add_year(year, ga::read_year_rows(db, "AccionesHistoricas", year));
    return history;
}

double seconds_on(const ga::MarketHistory& history, const drivers::StudySettings& settings, unsigned threads) {
    std::atomic<bool> stop{false};
    const auto t0 = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(drivers::study_years(history, settings, threads, stop));
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// One and two threads in turn, each iteration; the best time of each.
void study_compute(benchmark::State& state) {
    bench::QuietPlatform platform;
    bench::TrainingBench bench(platform);
    const ga::MarketHistory history = history_of(bench.workbench().database());
    drivers::StudySettings settings;
    settings.azar = state.range(0);
    settings.seed = 1;
    double one = 1e300, two = 1e300;
    for (auto _ : state) {
        one = std::min(one, seconds_on(history, settings, 1));
        two = std::min(two, seconds_on(history, settings, 2));
        state.SetIterationTime(two);
    }
    state.counters["one_thread_s"] = one;
    state.counters["two_threads_s"] = two;
    state.counters["speedup"] = one / two;
}
BENCHMARK(study_compute)
    ->Name("study_compute")
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5);

}  // namespace

int main(int argc, char** argv) { return vorn::bench::run_benchmarks(argc, argv) ? 0 : 1; }
