// Frame toolkit speed: every frame operation, clicked through its button
// (handler boundary, dialogs answered) on a BPN of 100-element frames, 100
// frames where the operation recodes in place and as many as leave room
// for the frames it appends (99, or 98 for a partition into two windows).
// BPN is restored between iterations, outside the timing. Goal: under
// 50 ms per operation.
#include <benchmark/benchmark.h>

#include <cmath>
#include <deque>
#include <filesystem>
#include <random>

#include "support/quiet_platform.h"
#include "frames/frame_toolkit.h"
#include "shell/default_database.h"
#include "shell/main_window.h"
#include "shell/platform.h"
#include "shell/record_store.h"
#include "app/workbench.h"

namespace {

using vorn::Button;
using vorn::MainWindow;
using vorn::Value;

// A workbench on a scratch database whose BPN holds `frames` frames of 100
// elements with their targets, kept in a copy for restoring.
class FrameBench {
public:
    explicit FrameBench(int frames) {
        db_ = std::make_unique<vorn::Database>((dir_ / "ga7.mdb").string());
        db_->execute_script(vorn::embedded_schema());
        db_->begin();
        for (int f = 1; f <= frames; ++f) {
            for (int i = 1; i <= 100; ++i) insert(1, i, f, 2 + std::sin(0.1 * i + f));
            insert(10, 1, f, 0.5 + 0.4 * std::cos(f));
        }
        for (int n = 1; n <= 20; ++n) {
            std::string sql = "INSERT INTO AccionesXmes VALUES (" + std::to_string(n) + ", 'S" + std::to_string(n) +
                              "', 'X', 2018";
            for (int m = 1; m <= 12; ++m) sql += ", " + std::to_string(m * 0.5 - n * 0.1);
            db_->execute(sql + ")");
        }
        db_->execute_script("CREATE TABLE bpn_base AS SELECT * FROM BPN");
        db_->commit();
        bench_ = std::make_unique<vorn::Workbench>(*db_, platform_, dir_);
        db_->refresh_all_sources();
        w().Command34.click();
    }
    ~FrameBench() {
        bench_.reset();
        db_.reset();
    }

    MainWindow& w() { return bench_->main(); }
    vorn::frames::FrameToolkit& toolkit() { return bench_->frame_toolkit(); }
    vorn::bench::QuietPlatform& platform() { return platform_; }

    void restore() {
        db_->begin();
        db_->execute_bound("DELETE FROM BPN", {});
        db_->execute_bound("INSERT INTO BPN SELECT * FROM bpn_base", {});
        db_->execute_script("DROP TABLE IF EXISTS Copia");
        db_->commit();
        db_->refresh_all_sources();
        w().Command34.click();
    }

private:
    void insert(int capa, int fila, int columna, double valor) {
        db_->execute_bound("INSERT INTO BPN VALUES (?, ?, ?, ?, 'base')",
                           {Value(std::int64_t{capa}), Value(std::int64_t{fila}), Value(std::int64_t{columna}),
                            Value(valor)});
    }

    vorn::bench::ScratchFolder scratch_{"vorn2-bench-frames-"};
    const std::filesystem::path& dir_ = scratch_.path();
    vorn::bench::QuietPlatform platform_;
    std::unique_ptr<vorn::Database> db_;
    std::unique_ptr<vorn::Workbench> bench_;
};

// Clicks a button with its dialogs answered, restoring BPN after each click.
void click(benchmark::State& state, Button MainWindow::*button, int frames, std::vector<std::string> answers) {
    FrameBench bench(frames);
    for (auto _ : state) {
        for (const auto& a : answers) bench.platform().answers.push_back(a);
        (bench.w().*button).click();
        state.PauseTiming();
        bench.restore();
        state.ResumeTiming();
    }
    state.counters["messages"] = static_cast<double>(bench.platform().messages);
}

void BM_Renumerar(benchmark::State& state) {
    FrameBench bench(100);
    for (auto _ : state) bench.w().Command33.form().run_handler([&] { bench.toolkit().renumerartramas(); });
}

void BM_BorrarTrama(benchmark::State& state) {
    FrameBench bench(100);
    for (auto _ : state) {
        bench.w().Command33.form().run_handler([&] { bench.toolkit().borrartrama(50); });
        state.PauseTiming();
        bench.restore();
        state.ResumeTiming();
    }
}

}  // namespace

BENCHMARK(BM_Renumerar)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BorrarTrama)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(click, Xall, &MainWindow::Command33, 100, {"SI"})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(click, Sumar, &MainWindow::Command22, 99, {"1", "2"})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(click, Restar, &MainWindow::Command21, 99, {"1", "2"})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(click, Multiplicar, &MainWindow::Command19, 99, {"1", "2"})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(click, Dividir, &MainWindow::Command20, 99, {"1", "2"})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(click, Binario, &MainWindow::Command26, 100, {"50", "2"})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(click, Bipolar, &MainWindow::Command27, 100, {"50", "2"})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(click, CuasiBinario, &MainWindow::Command28, 100, {"50", "2"})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(click, CuasiBinarioTodas, &MainWindow::Command28, 100, {"0", "2"})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(click, Tendencia, &MainWindow::Command24, 100, {"50"})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(click, Sigmoide, &MainWindow::Command25, 100, {"50"})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(click, TanH, &MainWindow::Command29, 100, {"50"})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(click, Porcentaje, &MainWindow::Command23, 99, {"50"})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(click, PorcentajeAcumulado, &MainWindow::Command39, 99, {"50"})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(click, MovingAverage, &MainWindow::Command18, 99, {"50", "5"})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(click, ParticionarMenos, &MainWindow::Command30, 98, {"50", "50"})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(click, ParticionarMas, &MainWindow::Command40, 98, {"50", "50"})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(click, Z, &MainWindow::Command35, 100, {"50"})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(click, TanhZ, &MainWindow::Command36, 100, {"50"})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(click, Sigma, &MainWindow::Command43, 100, {"50"})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(click, Info, &MainWindow::Command34, 100, {})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(click, Insertar, &MainWindow::Command47, 99, {})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(click, Aleatoria, &MainWindow::Command32, 99, {})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(click, GuardarEnTabla, &MainWindow::Command17, 100, {"Copia"})->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
