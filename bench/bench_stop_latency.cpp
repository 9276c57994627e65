// How fast a stop ends a long training: "E" on the default pattern set
// with a pass limit of 10,000,000; another thread asks for the stop (as
// "Detener" would) after a while, and the benchmark measures the time from
// the request to the end of the pass that sees it, and to the handler's
// return (the stored weights, test.csv for the passes made, the commit),
// and how many passes ran after the one that saw it (0 is right). Each
// iteration is one run.
//
// The same for the genetic search at its largest accepted size, 10000
// chromosomes of 1000 bits with "Strat": the stop is asked for 2 s after
// the click, within the first generation (ga_stop/.../0), or 1 s after the
// first generation ends, within the second (ga_stop/.../1, one run: a
// generation of this size takes tens of seconds). The benchmark measures
// the time to the check point that sees the request and to the run's
// return (the last whole generation stored, the end of the run). Goal:
// under 1 s.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "support/bench_main.h"
#include "support/ga_bench.h"
#include "support/quiet_platform.h"
#include "support/training_bench.h"
#include "shell/number_text.h"

namespace {

using namespace vorn;
using Clock = std::chrono::steady_clock;

// The stop a user's click leaves for the running handler to poll. The
// first poll that sees it notes when, and at which reported pass.
class StoppablePlatform : public vorn::bench::QuietPlatform {
public:
    std::atomic<bool> stop{false};
    std::atomic<long long>* passes = nullptr;
    bool seen = false;
    Clock::time_point seen_at;
    long long seen_pass = 0;

    bool stop_requested() override {
        if (!stop.load(std::memory_order_acquire)) return false;
        if (!seen) {
            seen = true;
            seen_at = Clock::now();
            seen_pass = passes != nullptr ? passes->load(std::memory_order_relaxed) : 0;
        }
        return true;
    }
};

void BM_StopLatency(benchmark::State& state) {
    const auto wait = std::chrono::milliseconds(state.range(0));
    StoppablePlatform platform;
    vorn::bench::TrainingBench bench(platform);
    std::atomic<long long> passes{0};
    platform.passes = &passes;
    bench.workbench().on_progress([&](const Progress& p) { passes.store(p.done, std::memory_order_relaxed); });
    double to_poll_ms = 0, worst_poll_ms = 0, to_return_ms = 0, passes_after = 0, stopped_at = 0;
    auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop variable is the API
        state.PauseTiming();
        bench.prepare_run(10000000);
        platform.stop = false;
        platform.seen = false;
        state.ResumeTiming();
        Clock::time_point requested;
        std::thread user([&] {
            std::this_thread::sleep_for(wait);
            requested = Clock::now();
            platform.stop.store(true, std::memory_order_release);
        });
        bench.w().Command4.click();
        const Clock::time_point returned = Clock::now();
        user.join();
        to_poll_ms += ms(platform.seen_at - requested);
        worst_poll_ms = std::max(worst_poll_ms, ms(platform.seen_at - requested));
        to_return_ms += ms(returned - requested);
        // The pass that saw the request was reported just before its poll.
        passes_after += static_cast<double>(passes.load() - platform.seen_pass);
        stopped_at = static_cast<double>(passes.load());
    }
    const auto runs = static_cast<double>(state.iterations());
    // Request to the end of the pass that sees it: the run's own latency.
    state.counters["ms_hasta_fin_de_pasada"] = to_poll_ms / runs;
    state.counters["ms_peor_fin_de_pasada"] = worst_poll_ms;
    // Request to the handler's return: the stored weights and test.csv too.
    state.counters["ms_hasta_volver"] = to_return_ms / runs;
    state.counters["pasadas_tras_verlo"] = passes_after / runs;
    state.counters["pasada_final"] = stopped_at;
}
BENCHMARK(BM_StopLatency)->Arg(300)->Arg(1500)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void BM_GaStopLatency(benchmark::State& state) {
    const bool after_a_generation = state.range(0) == 1;
    StoppablePlatform platform;
    vorn::bench::GaBench bench(std::nullopt, platform);
    bench.open("10000", "1000");
    std::atomic<long long> generations{0};
    bench.workbench().on_progress([&](const Progress&) { generations.fetch_add(1, std::memory_order_relaxed); });
    double to_poll_ms = 0, worst_poll_ms = 0, to_return_ms = 0, worst_return_ms = 0, whole = 0;
    auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop variable is the API
        platform.stop = false;
        platform.seen = false;
        generations = 0;
        Clock::time_point requested;
        std::thread user([&] {
            if (after_a_generation) {
                while (generations.load(std::memory_order_relaxed) == 0) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                }
                std::this_thread::sleep_for(std::chrono::seconds(1));
            } else {
                std::this_thread::sleep_for(std::chrono::seconds(2));
            }
            requested = Clock::now();
            platform.stop.store(true, std::memory_order_release);
        });
        bench.run();
        const Clock::time_point returned = Clock::now();
        user.join();
        to_poll_ms += ms(platform.seen_at - requested);
        worst_poll_ms = std::max(worst_poll_ms, ms(platform.seen_at - requested));
        to_return_ms += ms(returned - requested);
        worst_return_ms = std::max(worst_return_ms, ms(returned - requested));
        whole += static_cast<double>(generations.load());
    }
    const auto runs = static_cast<double>(state.iterations());
    // Request to the check point that sees it: the run's own latency.
    state.counters["ms_hasta_verlo"] = to_poll_ms / runs;
    state.counters["ms_peor_hasta_verlo"] = worst_poll_ms;
    // Request to the run's return: the last whole generation stored too.
    state.counters["ms_hasta_volver"] = to_return_ms / runs;
    state.counters["ms_peor_hasta_volver"] = worst_return_ms;
    state.counters["generaciones_enteras"] = whole / runs;
}
BENCHMARK(BM_GaStopLatency)
    ->Name("ga_stop/10000x1000")
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();
BENCHMARK(BM_GaStopLatency)
    ->Name("ga_stop/10000x1000")
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (!vorn::bench::run_benchmarks(argc, argv)) return 1;
    return 0;
}
