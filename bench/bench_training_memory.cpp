// Peak memory of a long headless training: "E" on the default pattern set
// with a pass limit of 15,000,000 (VORN_BENCH_PASSES overrides it) and an
// error bound no pass reaches. Prints the process's peak resident size
// (VmHWM of /proc/self/status) before and after the run; the goal is under
// 200 MB. Run it alone: the peak is the whole process's.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "support/bench_main.h"
#include "support/quiet_platform.h"
#include "support/training_bench.h"
#include "shell/number_text.h"
#include "shell/report_window.h"

namespace {

using namespace vorn;

// A field of /proc/self/status in megabytes, 0 when unknown.
double status_megabytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field + ":", 0) == 0) return std::strtod(line.c_str() + field.size() + 1, nullptr) / 1024.0;
    }
    return 0;
}

long long passes_to_run() {
    const char* text = std::getenv("VORN_BENCH_PASSES");
    return text != nullptr && *text != '\0' ? std::atoll(text) : 15000000LL;
}

void BM_TrainingPeakMemory(benchmark::State& state) {
    const long long passes = passes_to_run();
    vorn::bench::QuietPlatform platform;
    vorn::bench::TrainingBench bench(platform);
    const double before = status_megabytes("VmHWM");
    long long reported = 0;
    bench.workbench().on_progress([&](const Progress& p) { reported = p.done; });
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop variable is the API
        bench.prepare_run(passes - 1);
        bench.w().Command4.click();
    }
    const double after = status_megabytes("VmHWM");
    state.counters["pasadas"] = static_cast<double>(reported);
    state.counters["VmHWM_antes_MB"] = before;
    state.counters["VmHWM_MB"] = after;
    state.counters["puntos_curva"] = static_cast<double>(bench.workbench().reports().get().Curva.points().size());
    std::printf("E de %lld pasadas: VmHWM %.1f MB (antes de entrenar %.1f MB), test.csv %.1f MB\n", reported, after,
                before,
                static_cast<double>(std::filesystem::file_size(bench.folder() / "test.csv")) / (1024.0 * 1024.0));
}
BENCHMARK(BM_TrainingPeakMemory)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    if (!vorn::bench::run_benchmarks(argc, argv)) return 1;
    return 0;
}
