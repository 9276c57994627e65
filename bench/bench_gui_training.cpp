// Training ("E") with the Qt front end attached, Consultas shown with its
// list and the error curve, the main window with its progress panel,
// against the same training on a bare workbench: what the front end's list
// syncing, progress, curve and repaint points cost a long handler. Runs
// headless.
#include <benchmark/benchmark.h>

#include <QPushButton>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <stdexcept>

#include "support/bench_main.h"
#include "support/qt_bench.h"
#include "support/quiet_platform.h"
#include "qt/ui.h"
#include "shell/default_database.h"
#include "shell/main_window.h"
#include "shell/number_text.h"
#include "shell/platform.h"
#include "shell/record_store.h"
#include "shell/report_window.h"
#include "app/workbench.h"

namespace {

using namespace vorn;

// A workbench on a fresh default database (sample data included) in a
// scratch folder.
class Bench {
public:
    Bench() {
        OpenResult opened = open_workbench_database(dir_ / "ga7.mdb");
        if (!opened.db) throw std::runtime_error(opened.error);
        db_ = std::move(opened.db);
        workbench_ = std::make_unique<Workbench>(*db_, platform_, dir_);
        workbench_->main().Timer1.set_interval(0);
        workbench_->on_progress([this](const std::string&) { ++passes_; });
    }
    ~Bench() {
        workbench_.reset();
        db_.reset();
    }
    Workbench& workbench() { return *workbench_; }
    MainWindow& w() { return workbench_->main(); }
    // "Ex1" (the stored pattern, weight and target tables, so every run
    // trains from the same start), then the training fields: "Ex1" sets its
    // own, and an error bound this small makes every pass run.
    void prepare_run() {
        w().Command13.click();
        w().Text7.set_text("2000");
        w().Text6.set_text("0.0000001");
        w().Text8.set_text("0.5");
    }
    // Training passes reported so far.
    long passes() const { return passes_; }

private:
    vorn::bench::ScratchFolder scratch_{"vorn2-bench-"};
    const std::filesystem::path& dir_ = scratch_.path();
    vorn::bench::QuietPlatform platform_;
    std::unique_ptr<Database> db_;
    std::unique_ptr<Workbench> workbench_;
    long passes_ = 0;
};

void BM_TrainingWithQtFrontEnd(benchmark::State& state) {
    Bench bench;
    qt::Ui ui(bench.workbench());
    ReportWindow& consultas = bench.workbench().reports().get();
    consultas.show();
    auto* train = qobject_cast<QPushButton*>(ui.widget(bench.w().Command4));
    if (train == nullptr) {
        state.SkipWithError("no widget for E");
        return;
    }
    QApplication::processEvents();
    for (auto _ : state) {
        state.PauseTiming();
        bench.prepare_run();
        state.ResumeTiming();
        train->click();
        QApplication::processEvents();
    }
    state.counters["lineas"] = static_cast<double>(consultas.List1.lines().size());
    state.counters["pasadas"] = benchmark::Counter(static_cast<double>(bench.passes()), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_TrainingWithQtFrontEnd)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_TrainingWithoutFrontEnd(benchmark::State& state) {
    Bench bench;
    ReportWindow& consultas = bench.workbench().reports().get();
    consultas.show();
    for (auto _ : state) {
        state.PauseTiming();
        bench.prepare_run();
        state.ResumeTiming();
        bench.w().Command4.click();
    }
    state.counters["lineas"] = static_cast<double>(consultas.List1.lines().size());
    state.counters["pasadas"] = benchmark::Counter(static_cast<double>(bench.passes()), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_TrainingWithoutFrontEnd)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
    vorn::bench::QtBenchApp app(argc, argv);
    if (!vorn::bench::run_benchmarks(argc, argv)) return 1;
    return 0;
}
