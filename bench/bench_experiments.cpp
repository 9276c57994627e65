// Experiment speed. Purge and repeat ("Command45": a purge of the log, then
// 100 random experiments) on the default database, seed 1, "Set1" and a
// pass limit of 50, with the share of it spent training (goal: under 2 s).
// Each dataset-pipeline step, one per operation, on a BPN of two 60-element
// frames (goal: median at most 5 ms).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <memory>

#include "app/workbench.h"
#include "drivers/pipeline.h"
#include "drivers/experiments.h"
#include "frames/frame_toolkit.h"
#include "shell/default_database.h"
#include "shell/main_window.h"
#include "shell/record_store.h"
#include "support/quiet_platform.h"

namespace {

using vorn::Value;

// The batch driver's stream with --seed 1; the next draw can be fixed.
class SeededPlatform : public vorn::bench::QuietPlatform {
public:
    std::optional<double> next;
    double random() override {
        if (next) {
            double u = *next;
            next.reset();
            return u;
        }
        return stream_.uniform();
    }
    void reseed() override { stream_.reseed(); }

private:
    vorn::RandomStream stream_{1};
};

void BM_PurgarYRepetir(benchmark::State& state) {
    double training = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto scratch = std::make_unique<vorn::bench::ScratchFolder>("vorn2-bench-experiments-");
        vorn::OpenResult opened = vorn::open_workbench_database(scratch->path() / "ga7.mdb");
        SeededPlatform platform;
        auto bench = std::make_unique<vorn::Workbench>(*opened.db, platform, scratch->path());
        bench->main().Timer1.set_interval(0);
        bench->main().Combo1.set_text("Set1");
        bench->main().Text7.set_text("50");
        state.ResumeTiming();

        bench->main().Command45.click();

        state.PauseTiming();
        training += std::chrono::duration<double>(bench->experiments().training_time()).count();
        bench.reset();
        opened.db.reset();
        scratch.reset();
        state.ResumeTiming();
    }
    state.counters["training_s"] = benchmark::Counter(training / static_cast<double>(state.iterations()));
}

// Frames 1 and 2 of 60 elements with their targets.
void fill(vorn::Database& db) {
    db.begin();
    db.execute_bound("DELETE FROM BPN", {});
    for (int f = 1; f <= 2; ++f) {
        for (int i = 1; i <= 60; ++i) {
            db.execute_bound("INSERT INTO BPN VALUES (1, ?, ?, ?, 'base')",
                             {Value(std::int64_t{i}), Value(std::int64_t{f}), Value(100 + 10 * std::sin(0.2 * i + f))});
        }
        db.execute_bound("INSERT INTO BPN VALUES (10, 1, ?, 0.5, 'base')", {Value(std::int64_t{f})});
    }
    db.commit();
    db.refresh_all_sources();
}

void pipeline_step(benchmark::State& state, int op) {
    vorn::bench::ScratchFolder scratch("vorn2-bench-pipeline-");
    vorn::OpenResult opened = vorn::open_workbench_database(scratch.path() / "ga7.mdb");
    SeededPlatform platform;
    vorn::Workbench bench(*opened.db, platform, scratch.path());
    bench.main().Timer1.set_interval(0);
    bench.main().Combo1.set_text("Set1");
    for (auto _ : state) {
        state.PauseTiming();
        fill(*opened.db);
        platform.next = (op - 0.5) / 19;
        state.ResumeTiming();
        bench.main().Command34.form().run_handler([&] {
            int t1 = 1, t2 = 2;
            bench.pipeline().generartrama(t1, t2);
        });
    }
}

void median_only(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true)->Iterations(20);
}

}  // namespace

BENCHMARK(BM_PurgarYRepetir)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(pipeline_step, 01_MAV, 1)->Apply(median_only);
BENCHMARK_CAPTURE(pipeline_step, 02_PARmenos, 2)->Apply(median_only);
BENCHMARK_CAPTURE(pipeline_step, 03_PARmas, 3)->Apply(median_only);
BENCHMARK_CAPTURE(pipeline_step, 04_dividir, 4)->Apply(median_only);
BENCHMARK_CAPTURE(pipeline_step, 05_restar, 5)->Apply(median_only);
BENCHMARK_CAPTURE(pipeline_step, 06_sumar, 6)->Apply(median_only);
BENCHMARK_CAPTURE(pipeline_step, 07_multiplicar, 7)->Apply(median_only);
BENCHMARK_CAPTURE(pipeline_step, 08_binario, 8)->Apply(median_only);
BENCHMARK_CAPTURE(pipeline_step, 09_bipolar, 9)->Apply(median_only);
BENCHMARK_CAPTURE(pipeline_step, 10_cuasibinario, 10)->Apply(median_only);
BENCHMARK_CAPTURE(pipeline_step, 11_porcentaje, 11)->Apply(median_only);
BENCHMARK_CAPTURE(pipeline_step, 12_tendencia, 12)->Apply(median_only);
BENCHMARK_CAPTURE(pipeline_step, 13_porcentaje_acumulado, 13)->Apply(median_only);
BENCHMARK_CAPTURE(pipeline_step, 14_sigmoide_z, 14)->Apply(median_only);
BENCHMARK_CAPTURE(pipeline_step, 15_sigmoide, 15)->Apply(median_only);
BENCHMARK_CAPTURE(pipeline_step, 16_z, 16)->Apply(median_only);
BENCHMARK_CAPTURE(pipeline_step, 17_tanh_z, 17)->Apply(median_only);
BENCHMARK_CAPTURE(pipeline_step, 18_borrar, 18)->Apply(median_only);
BENCHMARK_CAPTURE(pipeline_step, 19_borrar_todo_merval, 19)->Apply(median_only);

BENCHMARK_MAIN();
