#include "app/workbench.h"

#include "app/help.h"

#include <exception>

#include "drivers/experiments.h"
#include "drivers/pipeline.h"
#include "drivers/study.h"
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
#include "workset/working_set.h"

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
    working_set_ = std::make_unique<workset::WorkingSet>(*main_, platform);
    network_ = std::make_unique<engine::Network>(*main_, platform, *reports_, *this, *working_set_);
    engine::Network& network = *network_;
    listings_ = std::make_unique<exchange::Listings>(
        *main_, *working_set_,
        exchange::WeightCells{[&network](int i, int j) { return network.peso_entrada(i, j); },
                              [&network](int j) { return network.peso_oculta(j); }},
        *reports_);
    pattern_files_ = std::make_unique<exchange::PatternFiles>(*main_, platform, *listings_, files_dir);
    frames_ = std::make_unique<frames::FrameToolkit>(*main_, platform, *working_set_, *reports_,
                                                     [this] { pattern_files_->ver_last_csv(); });
    samples_ = std::make_unique<exchange::SampleSets>(*main_, platform, db, [&network] { network.inicializar_pesos(); });
    pipeline_ = std::make_unique<drivers::DatasetPipeline>(*main_, platform, *working_set_, *frames_, *listings_,
                                                           *pattern_files_);
    ga_ = std::make_unique<ga::GeneticSearch>(db, platform, *main_, *reports_, *this);
    experiments_ = std::make_unique<drivers::Experiments>(*main_, platform, *network_, *frames_, *pipeline_,
                                                          *reports_, *pattern_files_);
    // Every training's history goes through the experiments, which keep
    // each curve and pass it on to "test.csv".
    network_->set_history_writer(experiments_.get());
    experiments_->set_progress([this](const Progress& progress) { report_progress(progress); });
    red_fitness_ = std::make_unique<drivers::RedFitness>(*experiments_, platform);


    network_->connect();
    listings_->connect();
    pattern_files_->connect();
    frames_->connect();
    pipeline_->connect();
    samples_->connect();
    experiments_->connect();
    main_->Command46.set_handler([this] { ga_->show(); });
    main_->ayuda.set_handler([&platform] { platform.show_document("Ayuda de vorn2", guide_text()); });
    main_->acercade.set_handler([&platform] { platform.show_document("Acerca de vorn2", about_text()); });

    // The two windows meet here: the experiment timer hands its bit string
    // and error to GABPN (created hidden the first time), and the genetic
    // search scores chromosomes by the experiment their first 12 bits code.
    experiments_->set_ga_hand_off([this](const std::string& bits, const std::string& result) {
        ga::GaWindow& window = ga_->window();
        window.Text9.set_text(bits);
        window.Text2.set_text(result);
    });
    ga_->add_strategy({"Red", [this](const std::string& bits) { return (*red_fitness_)(bits); },
                       &drivers::RedFitness::describir, [this] { red_fitness_->reset(); }});
    study_ = std::make_unique<drivers::WalkForwardStudy>(db, platform, *this, *reports_, *ga_, files_dir);
    ga_->on_window_created([this](ga::GaWindow& window) { study_->connect(window); });
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
