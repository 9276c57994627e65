#include "app/workbench.h"

#include <exception>

#include "engine/experiments.h"
#include "engine/network.h"
#include "exchange/listings.h"
#include "exchange/pattern_files.h"
#include "exchange/sample_sets.h"
#include "frames/frame_toolkit.h"
#include "ga/ga_window.h"
#include "ga/genetic_search.h"
#include "shell/default_database.h"
#include "shell/number_text.h"
#include "shell/platform.h"
#include "shell/record_store.h"
#include "shell/store_phase.h"

namespace vorn {

Workbench::Workbench(Database& db, Platform& front_end, std::filesystem::path files_dir)
    : Session(db, front_end) {
    // What the forms show goes through the session's platform, which
    // commits before it shows anything.
    Platform& platform = Session::platform();
    main_ = std::make_unique<MainWindow>(db);
    main_->set_boundary(this);
    reports_ = std::make_unique<ReportWindows>(platform, this);
    // A listing is a report too: what it shows is committed before the
    // window appears or repaints (before the front end's own observers).
    reports_->on_created([&db](ReportWindow& window) {
        window.List1.observe([&db](Change change) {
            if (change == Change::Repaint) db.commit_before_report();
        });
        window.observe([&db, &window] {
            if (window.visible()) db.commit_before_report();
        });
    });
    network_ = std::make_unique<engine::Network>(*main_, platform, *reports_, *this);
    listings_ = std::make_unique<exchange::Listings>(*main_, *network_, *reports_);
    pattern_files_ = std::make_unique<exchange::PatternFiles>(*main_, platform, *listings_, files_dir);
    network_->set_history_writer(pattern_files_.get());
    frames_ = std::make_unique<frames::FrameToolkit>(*main_, platform, *network_, *reports_, *listings_,
                                                     *pattern_files_);
    samples_ = std::make_unique<exchange::SampleSets>(*main_, platform, db, *network_);
    ga_ = std::make_unique<ga::GeneticSearch>(db, platform, *main_, *reports_, *this);
    experiments_ = std::make_unique<engine::Experiments>(*main_, platform, *network_, *frames_, *reports_,
                                                         *pattern_files_);
    // The experiments keep each training curve before "test.csv" is written.
    network_->set_history_writer(experiments_.get());
    red_fitness_ = std::make_unique<engine::RedFitness>(*experiments_, platform);


    network_->connect();
    listings_->connect();
    pattern_files_->connect();
    frames_->connect();
    samples_->connect();
    experiments_->connect();
    main_->Command46.set_handler([this] { ga_->show(); });

    // The two windows meet here: the experiment timer hands its bit string
    // and error to GABPN (created hidden the first time), and the genetic
    // search scores chromosomes by the experiment their first 12 bits code.
    experiments_->set_ga_hand_off([this](const std::string& bits, const std::string& result) {
        ga::GaWindow& window = ga_->window();
        window.Text9.set_text(bits);
        window.Text2.set_text(result);
    });
    ga_->add_strategy({"Red", [this](const std::string& bits) { return (*red_fitness_)(bits); },
                       &engine::RedFitness::describir, [this] { red_fitness_->reset(); }});

    // The operations that write to the database; on a read-only one they
    // refuse before their work, otherwise they take the write lock first,
    // waiting for another program as the store phase does. An operation
    // added later joins this list (or calls refuse_if_read_only itself).
    MainWindow& w = *main_;
    refuse_writing_when_read_only(
        db, platform,
        {&w.Command4,  &w.Command13, &w.Command14, &w.Command15, &w.Command16, &w.Command17, &w.Command18,
         &w.Command19, &w.Command20, &w.Command21, &w.Command22, &w.Command23, &w.Command24, &w.Command25,
         &w.Command26, &w.Command27, &w.Command28, &w.Command29, &w.Command30, &w.Command32, &w.Command33,
         &w.Command35, &w.Command36, &w.Command38, &w.Command39, &w.Command40, &w.Command41, &w.Command44,
         &w.Command45, &w.Command47});

}

Workbench::~Workbench() = default;

std::vector<Form*> Workbench::forms() {
    std::vector<Form*> forms{main_.get()};
    if (reports_->exists()) forms.push_back(&reports_->get());
    if (ga_->exists()) forms.push_back(&ga_->window());
    return forms;
}

Form* Workbench::find_form(std::string_view name) {
    if (lower(name) == "consultas") return &reports_->get();
    for (Form* form : forms()) {
        if (lower(form->name()) == lower(name)) return form;
    }
    return nullptr;
}

OpenedDatabase open_database(const std::filesystem::path& path) {
    OpenedDatabase opened;
    try {
        OpenResult result = open_workbench_database(path);
        opened.db = std::move(result.db);
        opened.refusal = std::move(result.error);
    } catch (const std::exception& error) {
        opened.refusal = error.what();
        opened.open_failed = true;
    }
    return opened;
}

}  // namespace vorn
