// The genetic search: 50 generations of 20 chromosomes of 40 bits with
// "Strat" on the default AccionesXmes, through the run of the GA window
// (every table of a generation written each generation), against the same
// search written with DEAP (bench/bench_ga_deap.py, python3-deap). Both
// sides time only the generations; each figure is the minimum of 10 runs.
//
//   ga/headless   the run button on a bare workbench, generations fixed at 50
//   deap          printed after the benchmarks, with the ratio of minimums
#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "support/bench_main.h"
#include "support/quiet_platform.h"
#include "app/workbench.h"
#include "ga/ga_window.h"
#include "ga/genetic_search.h"
#include "shell/default_database.h"
#include "shell/main_window.h"
#include "shell/number_text.h"
#include "shell/record_store.h"

#ifndef VORN_SOURCE_DIR
#define VORN_SOURCE_DIR "."
#endif

namespace {

using namespace vorn;

constexpr int kGenerations = 50;
constexpr int kRepeats = 10;

class GaBench {
public:
    GaBench() {
        OpenResult opened = open_workbench_database(dir_ / "ga7.mdb");
        if (!opened.db) throw std::runtime_error(opened.error);
        db_ = std::move(opened.db);
        workbench_ = std::make_unique<Workbench>(*db_, platform_, dir_);
        workbench_->main().Timer1.set_interval(0);
        workbench_->main().Command46.click();
        ga::GaWindow& w = workbench_->genetic_search().window();
        workbench_->fire(w.Timer1);
        w.Text3.set_text("20");
        w.Text4.set_text("40");
        w.Text5.set_text("1");
        w.Combo1.set_text("Strat");
        workbench_->genetic_search().set_generation_limit(kGenerations);
    }
    ~GaBench() {
        workbench_.reset();
        db_.reset();
    }
    Workbench& workbench() { return *workbench_; }
    // One run; the seconds its generations took.
    double run() {
        workbench_->genetic_search().window().GroupPush3D1.click();
        return workbench_->genetic_search().last_generations_seconds();
    }
    std::filesystem::path db_path() const { return dir_ / "ga7.mdb"; }

private:
    vorn::bench::ScratchFolder scratch_{"vorn2-bench-ga-"};
    const std::filesystem::path& dir_ = scratch_.path();
    vorn::bench::QuietPlatform platform_;
    std::unique_ptr<Database> db_;
    std::unique_ptr<Workbench> workbench_;
};

double g_headless_min = 0;

void BM_GaHeadless(benchmark::State& state) {
    GaBench bench;
    double best = 1e9;
    for (auto _ : state) {
        const double seconds = bench.run();
        best = std::min(best, seconds);
        state.SetIterationTime(seconds);
    }
    g_headless_min = best;
    state.counters["min_ms"] = best * 1000;
}
BENCHMARK(BM_GaHeadless)->Name("ga/headless")->UseManualTime()->Iterations(kRepeats)->Unit(benchmark::kMillisecond);

// The DEAP figure, in milliseconds; negative when it could not run.
double deap_ms(const std::filesystem::path& db) {
    const std::string command = "/usr/bin/python3 '" + std::string(VORN_SOURCE_DIR) + "/bench/bench_ga_deap.py' '" +
                                db.string() + "' " + std::to_string(kGenerations) + " " + std::to_string(kRepeats) +
                                " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return -1;
    std::array<char, 512> buffer{};
    double ms = -1;
    std::string output;
    while (fgets(buffer.data(), buffer.size(), pipe) != nullptr) {
        output += buffer.data();
        if (std::sscanf(buffer.data(), "deap_ms %lf", &ms) == 1) break;
    }
    pclose(pipe);
    if (ms < 0) std::fprintf(stderr, "DEAP no corrio:\n%s\n", output.c_str());
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    if (!vorn::bench::run_benchmarks(argc, argv)) return 1;
    if (g_headless_min > 0) {
        GaBench bench;  // a default database for DEAP to read
        const double deap = deap_ms(bench.db_path());
        std::printf("ga headless, 50 generations, min of %d: %.3f ms\n", kRepeats, g_headless_min * 1000);
        if (deap > 0) {
            std::printf("deap, 50 generations, min of %d:        %.3f ms\n", kRepeats, deap);
            std::printf("ratio headless / deap: %.3f (goal <= 0.5)\n", g_headless_min * 1000 / deap);
        }
    }
    return 0;
}
