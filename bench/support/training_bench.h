// A workbench on a fresh default database (sample data included) in a
// scratch folder, ready to train "E" on the stored pattern set: what the
// long-run benchmarks share.
#pragma once

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "app/workbench.h"
#include "shell/default_database.h"
#include "shell/main_window.h"
#include "shell/record_store.h"
#include "quiet_platform.h"

namespace vorn::bench {

class TrainingBench {
public:
    explicit TrainingBench(Platform& platform) {
        OpenResult opened = open_workbench_database(scratch_.path() / "ga7.mdb");
        if (!opened.db) throw std::runtime_error(opened.error);
        db_ = std::move(opened.db);
        workbench_ = std::make_unique<Workbench>(*db_, platform, scratch_.path());
        workbench_->main().Timer1.set_interval(0);
    }
    ~TrainingBench() {
        workbench_.reset();
        db_.reset();
    }
    TrainingBench(const TrainingBench&) = delete;
    TrainingBench& operator=(const TrainingBench&) = delete;

    Workbench& workbench() { return *workbench_; }
    MainWindow& w() { return workbench_->main(); }
    const std::filesystem::path& folder() const { return scratch_.path(); }

    // "Ex1" (the stored pattern, weight and target tables, so every run
    // trains from the same start), then an error bound below any mean
    // error, so that every pass of the limit runs.
    void prepare_run(long long pass_limit) {
        w().Command13.click();
        w().Text7.set_text(std::to_string(pass_limit));
        w().Text6.set_text("-1");
        w().Text8.set_text("0.5");
    }

private:
    ScratchFolder scratch_{"vorn2-bench-"};
    std::unique_ptr<Database> db_;
    std::unique_ptr<Workbench> workbench_;
};

}  // namespace vorn::bench
