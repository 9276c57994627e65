// An experiment that would train a billion passes ("Command44" with a pass
// limit of 1,000,000,000 on frames whose targets no sigmoid reaches),
// stopped from another thread after VORN_BENCH_STOP_AFTER seconds (2 by
// default). Prints how long the stop took to end it (goal: under 1 s) and
// the process's peak resident size before the stop (goal: under 100 MB),
// with the passes made. Run it alone: the peak is the whole process's.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "app/workbench.h"
#include "shell/default_database.h"
#include "shell/main_window.h"
#include "shell/record_store.h"
#include "support/bench_main.h"
#include "support/quiet_platform.h"

namespace {

using Clock = std::chrono::steady_clock;

double status_megabytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field + ":", 0) == 0) return std::strtod(line.c_str() + field.size() + 1, nullptr) / 1024.0;
    }
    return 0;
}

// Draws the first record, then operation 19 (the index's raw levels),
// then the stream; a stop asked from another thread.
class StoppablePlatform : public vorn::bench::QuietPlatform {
public:
    std::atomic<bool> stop{false};
    std::deque<double> draws{0.0, (19 - 0.5) / 19};
    double random() override {
        if (draws.empty()) return QuietPlatform::random();
        const double u = draws.front();
        draws.pop_front();
        return u;
    }
    bool stop_requested() override { return stop.load(std::memory_order_relaxed); }
};

void BM_ExperimentStop(benchmark::State& state) {
    const char* after_text = std::getenv("VORN_BENCH_STOP_AFTER");
    const double stop_after = after_text != nullptr && *after_text != '\0' ? std::atof(after_text) : 2.0;
    for (auto _ : state) {
        vorn::bench::ScratchFolder scratch("vorn2-bench-experiment-stop-");
        vorn::OpenResult opened = vorn::open_workbench_database(scratch.path() / "ga7.mdb");
        StoppablePlatform platform;
        vorn::Workbench bench(*opened.db, platform, scratch.path());
        bench.main().Timer1.set_interval(0);
        bench.main().Combo1.set_text("Set1");
        bench.main().Text7.set_text("1000000000");
        long long passes = 0;
        bench.on_progress([&](const vorn::Progress& p) { passes = p.done; });
        const double before = status_megabytes("VmHWM");

        Clock::time_point asked;
        std::thread user([&] {
            std::this_thread::sleep_for(std::chrono::duration<double>(stop_after));
            asked = Clock::now();
            platform.stop = true;
        });
        bench.run([&] { bench.main().Command44.click(); });
        const Clock::time_point ended = Clock::now();
        user.join();
        const double latency = std::chrono::duration<double>(ended - asked).count();
        const double peak = status_megabytes("VmHWM");
        const double logged =
            vorn::as_number(opened.db->query("SELECT count(*) FROM PasadasBPN").rows[0][0]);
        std::printf("Experimento de mil millones de pasadas detenido tras %.0f pasadas: fin %.3f s despues del pedido "
                    "(meta < 1 s); VmHWM %.1f MB (%.1f MB antes; meta < 100 MB); filas nuevas en PasadasBPN: %.0f\n",
                    static_cast<double>(passes), latency, peak, before, logged);
        state.counters["latencia_s"] = latency;
        state.counters["VmHWM_MB"] = peak;
        state.counters["pasadas"] = static_cast<double>(passes);
    }
}
BENCHMARK(BM_ExperimentStop)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    if (!vorn::bench::run_benchmarks(argc, argv)) return 1;
    return 0;
}
