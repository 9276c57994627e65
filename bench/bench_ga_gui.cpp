// The GA run of bench_ga (50 generations of 20 chromosomes of 40 bits,
// "Strat") with the Qt front end attached and GABPN and Consultas shown,
// against the same run on a bare workbench in the same program: what the
// front end's repaint points cost a run. Runs headless (offscreen).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "app/workbench.h"
#include "support/bench_main.h"
#include "support/qt_bench.h"
#include "support/ga_bench.h"
#include "support/quiet_platform.h"
#include "qt/ui.h"
#include "shell/number_text.h"
#include "shell/report_window.h"

namespace {

using namespace vorn;

constexpr int kGenerations = 50;
constexpr int kRepeats = 10;

double g_min[2] = {0, 0};

void run_case(benchmark::State& state, bool with_qt) {
    vorn::bench::GaBench bench(kGenerations);
    std::unique_ptr<qt::Ui> ui;
    if (with_qt) ui = std::make_unique<qt::Ui>(bench.workbench());
    bench.open();
    bench.workbench().reports().get().show();
    QApplication::processEvents();
    double best = 1e9;
    for (auto _ : state) {
        const double seconds = bench.run();
        QApplication::processEvents();
        best = std::min(best, seconds);
        state.SetIterationTime(seconds);
    }
    g_min[with_qt ? 1 : 0] = best;
    state.counters["min_ms"] = best * 1000;
}

void BM_GaWithQt(benchmark::State& state) { run_case(state, true); }
void BM_GaHeadless(benchmark::State& state) { run_case(state, false); }
BENCHMARK(BM_GaWithQt)->Name("ga/qt_offscreen")->UseManualTime()->Iterations(kRepeats)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GaHeadless)->Name("ga/headless")->UseManualTime()->Iterations(kRepeats)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    vorn::bench::QtBenchApp app(argc, argv);
    if (!vorn::bench::run_benchmarks(argc, argv)) return 1;
    if (g_min[0] > 0 && g_min[1] > 0) {
        std::printf("ga qt offscreen, min of %d: %.3f ms; headless: %.3f ms; ratio %.3f (goal <= 2)\n", kRepeats,
                    g_min[1] * 1000, g_min[0] * 1000, g_min[1] / g_min[0]);
    }
    return 0;
}
