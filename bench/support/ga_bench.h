// The genetic search on a fresh default database: 20 chromosomes of 40
// bits (or the sizes given), one pass, "Strat" on AccionesXmes, a fixed
// number of generations (or as many as the pass takes). What the GA
// benchmarks (headless, in the Qt window, stopped) share.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "ga/ga_window.h"
#include "ga/genetic_search.h"
#include "quiet_platform.h"
#include "training_bench.h"

namespace vorn::bench {

class GaBench {
public:
    explicit GaBench(std::optional<int> generations) : GaBench(generations, own_platform_) {}
    // On a platform of the benchmark's own (one that stops, say).
    GaBench(std::optional<int> generations, Platform& platform) : generations_(generations), bench_(platform) {}
    Workbench& workbench() { return bench_.workbench(); }
    std::filesystem::path db_path() const { return bench_.folder() / "ga7.mdb"; }

    // "GA", the window's first tick, then the run's fields. A front end that
    // should show the window is built before this.
    void open(const std::string& population = "20", const std::string& length = "40") {
        Workbench& wb = bench_.workbench();
        wb.main().Command46.click();
        ga::GaWindow& w = wb.genetic_search().window();
        wb.fire(w.Timer1);
        w.Text3.set_text(population);
        w.Text4.set_text(length);
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
    std::optional<int> generations_;
    QuietPlatform own_platform_;
    TrainingBench bench_;
};

}  // namespace vorn::bench
