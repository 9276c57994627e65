// The workbench: the composition of the program. It builds the forms and
// the subsystems whose operations are the forms' handlers, and wires them
// together over one Session (the open ga7.mdb and the handler boundary).
// Front ends (Qt, batch) drive it; tests build it on a temporary database
// with a scripted Platform.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "shell/main_window.h"
#include "shell/report_window.h"
#include "shell/session.h"

namespace vorn {

namespace drivers {
class DatasetPipeline;
class Experiments;
class RedFitness;
class WalkForwardStudy;
}  // namespace drivers
namespace engine {
class Network;
}
namespace workset {
class WorkingSet;
}
namespace exchange {
class Listings;
class PatternFiles;
class SampleSets;
}  // namespace exchange
namespace frames {
class FrameToolkit;
}
namespace ga {
class GeneticSearch;
class GaWindow;
}  // namespace ga

class Workbench : public Session {
public:
    // files_dir is where "bpn.csv", "test.csv" and "last.csv" live (the
    // working directory unless told otherwise).
    Workbench(Database& db, Platform& platform, std::filesystem::path files_dir = ".");
    ~Workbench() override;

    MainWindow& main() override { return *main_; }
    ReportWindows& reports() override { return *reports_; }
    workset::WorkingSet& working_set() { return *working_set_; }
    engine::Network& network() { return *network_; }
    exchange::Listings& listings() { return *listings_; }
    exchange::PatternFiles& pattern_files() { return *pattern_files_; }
    frames::FrameToolkit& frame_toolkit() { return *frames_; }
    drivers::DatasetPipeline& pipeline() { return *pipeline_; }
    exchange::SampleSets& sample_sets() { return *samples_; }
    // The genetic search; its window GABPN is created on first use.
    ga::GeneticSearch& genetic_search() { return *ga_; }
    drivers::Experiments& experiments() { return *experiments_; }
    // The fitness of the genetic search's "Red" strategy: a coded
    // experiment per distinct code (reset() at the start of each run).
    drivers::RedFitness& red_fitness() { return *red_fitness_; }
    // The GA window's walk-forward study ("Estudio", "Estudios").
    drivers::WalkForwardStudy& study() { return *study_; }

    // Every form that exists now (Consultas and GABPN only once created).
    std::vector<Form*> forms() override;
    Form* find_form(std::string_view name) override;

private:
    std::unique_ptr<MainWindow> main_;
    std::unique_ptr<ReportWindows> reports_;
    std::unique_ptr<workset::WorkingSet> working_set_;
    std::unique_ptr<engine::Network> network_;
    std::unique_ptr<exchange::Listings> listings_;
    std::unique_ptr<exchange::PatternFiles> pattern_files_;
    std::unique_ptr<frames::FrameToolkit> frames_;
    std::unique_ptr<drivers::DatasetPipeline> pipeline_;
    std::unique_ptr<exchange::SampleSets> samples_;
    std::unique_ptr<ga::GeneticSearch> ga_;
    std::unique_ptr<drivers::Experiments> experiments_;
    std::unique_ptr<drivers::RedFitness> red_fitness_;
    std::unique_ptr<drivers::WalkForwardStudy> study_;
};

// The database the workbench runs on, opened (or created) once at start.
struct OpenedDatabase {
    std::unique_ptr<Database> db;  // null when refused
    // Why, when refused: a Spanish text naming what is wrong with the file
    // (see open_workbench_database), or, with open_failed set, the text of
    // a failure of the open itself.
    std::string refusal;
    bool open_failed = false;
};

// Opens the database as the program does before anything runs on it; a
// front end tells the user a refusal in its own way.
OpenedDatabase open_database(const std::filesystem::path& path);

}  // namespace vorn
