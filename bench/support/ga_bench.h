// The genetic search on a fresh default database: 20 chromosomes of 40
// bits, one pass, "Strat" on AccionesXmes, a fixed number of generations.
// What the GA benchmarks (headless and in the Qt window) share.
#pragma once

#include <filesystem>

#include "ga/ga_window.h"
#include "ga/genetic_search.h"
#include "quiet_platform.h"
#include "training_bench.h"

namespace vorn::bench {

class GaBench {
public:
    explicit GaBench(int generations) : generations_(generations) {}
    Workbench& workbench() { return bench_.workbench(); }
    std::filesystem::path db_path() const { return bench_.folder() / "ga7.mdb"; }

    // "GA", the window's first tick, then the run's fields. A front end that
    // should show the window is built before this.
    void open() {
        Workbench& wb = bench_.workbench();
        wb.main().Command46.click();
        ga::GaWindow& w = wb.genetic_search().window();
        wb.fire(w.Timer1);
        w.Text3.set_text("20");
        w.Text4.set_text("40");
        w.Text5.set_text("1");
        w.Combo1.set_text("Strat");
        wb.genetic_search().set_generation_limit(generations_);
    }
    // One run; the seconds its generations took.
    double run() {
        bench_.workbench().genetic_search().window().GroupPush3D1.click();
        return bench_.workbench().genetic_search().last_generations_seconds();
    }

private:
    int generations_;
    QuietPlatform platform_;
    TrainingBench bench_{platform_};
};

}  // namespace vorn::bench
