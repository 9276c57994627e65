#include "app/workbench.h"

#include "engine/experiments.h"
#include "engine/network.h"
#include "exchange/listings.h"
#include "exchange/pattern_files.h"
#include "exchange/sample_sets.h"
#include "frames/frame_toolkit.h"
#include "shell/number_text.h"
#include "shell/platform.h"
#include "shell/record_store.h"

namespace vorn {

Workbench::Workbench(Database& db, Platform& platform, std::filesystem::path files_dir)
    : Session(db, platform) {
    main_ = std::make_unique<MainWindow>(db);
    main_->set_boundary(this);
    reports_ = std::make_unique<ReportWindows>(platform, this);
    network_ = std::make_unique<engine::Network>(*main_, platform, *reports_, *this);
    listings_ = std::make_unique<exchange::Listings>(*main_, *network_, *reports_);
    pattern_files_ = std::make_unique<exchange::PatternFiles>(*main_, platform, *listings_, files_dir);
    network_->set_history_writer(pattern_files_.get());
    frames_ = std::make_unique<frames::FrameToolkit>(*main_, platform, *network_, *reports_, *listings_,
                                                     *pattern_files_);
    samples_ = std::make_unique<exchange::SampleSets>(*main_, platform, db, *network_);
    experiments_ = std::make_unique<engine::Experiments>(*main_, platform, *network_, *frames_, *reports_,
                                                         *pattern_files_);
    // The experiments keep each training curve before "test.csv" is written.
    network_->set_history_writer(experiments_.get());
    red_fitness_ = std::make_unique<engine::RedFitness>(*experiments_, platform);

    // Databases made before the experiments kept their curves get the
    // tables now; one that cannot be changed simply has no curves.
    try {
        engine::ensure_experiment_tables(db);
    } catch (const EngineError&) {
    }

    network_->connect();
    listings_->connect();
    pattern_files_->connect();
    frames_->connect();
    samples_->connect();
    experiments_->connect();
}

Workbench::~Workbench() = default;

std::vector<Form*> Workbench::forms() {
    std::vector<Form*> forms{main_.get()};
    if (reports_->exists()) forms.push_back(&reports_->get());
    return forms;
}

Form* Workbench::find_form(std::string_view name) {
    if (lower(name) == "consultas") return &reports_->get();
    for (Form* form : forms()) {
        if (lower(form->name()) == lower(name)) return form;
    }
    return nullptr;
}

}  // namespace vorn
