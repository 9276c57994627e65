// How fast a stop ends a long training: "E" on the default pattern set
// with a pass limit of 10,000,000; another thread asks for the stop (as
// "Detener" would) after a while, and the benchmark measures the time from
// the request to the handler's return (the pass in progress, the stored
// weights, test.csv for the passes made, the commit) and how many passes
// began after the request. Each iteration is one run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "support/quiet_platform.h"
#include "support/training_bench.h"
#include "shell/number_text.h"

namespace {

using namespace vorn;
using Clock = std::chrono::steady_clock;

// The stop a user's click leaves for the running handler to poll.
class StoppablePlatform : public vorn::bench::QuietPlatform {
public:
    std::atomic<bool> stop{false};
    bool stop_requested() override { return stop.load(std::memory_order_relaxed); }
};

void BM_StopLatency(benchmark::State& state) {
    const auto wait = std::chrono::milliseconds(state.range(0));
    StoppablePlatform platform;
    vorn::bench::TrainingBench bench(platform);
    std::atomic<long long> passes{0};
    bench.workbench().on_progress([&](const Progress& p) { passes.store(p.done, std::memory_order_relaxed); });
    double total_ms = 0, worst_ms = 0, passes_after = 0, stopped_at = 0;
    for (auto _ : state) {
        state.PauseTiming();
        bench.prepare_run(10000000);
        platform.stop = false;
        state.ResumeTiming();
        Clock::time_point requested;
        long long passes_at_request = 0;
        std::thread user([&] {
            std::this_thread::sleep_for(wait);
            passes_at_request = passes.load(std::memory_order_relaxed);
            requested = Clock::now();
            platform.stop = true;
        });
        bench.w().Command4.click();
        const Clock::time_point returned = Clock::now();
        user.join();
        const double ms = std::chrono::duration<double, std::milli>(returned - requested).count();
        total_ms += ms;
        worst_ms = std::max(worst_ms, ms);
        passes_after += static_cast<double>(passes.load() - passes_at_request);
        stopped_at = static_cast<double>(passes.load());
    }
    const auto runs = static_cast<double>(state.iterations());
    state.counters["ms_hasta_volver"] = total_ms / runs;
    state.counters["ms_peor"] = worst_ms;
    state.counters["pasadas_tras_pedido"] = passes_after / runs;
    state.counters["pasada_final"] = stopped_at;
}
BENCHMARK(BM_StopLatency)->Arg(300)->Arg(1500)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    vorn::set_decimal_separator('.');
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
