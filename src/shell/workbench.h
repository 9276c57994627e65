// The workbench: one open ga7.mdb, the forms that work on it and the
// subsystems whose operations are the forms' handlers. It is also the
// handler boundary: one transaction per user-started handler, engine
// failures shown as a message with the window left open, and timers held
// back while a handler runs. Front ends (Qt, batch) drive it; tests build
// it on a temporary database with a scripted Platform.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "shell/form.h"
#include "shell/main_window.h"
#include "shell/report_window.h"

namespace vorn {

class Database;
class Platform;
class Timer;

namespace engine {
class Network;
}
namespace exchange {
class Listings;
class PatternFiles;
class SampleSets;
}  // namespace exchange
namespace frames {
class FrameToolkit;
}

class Workbench : public HandlerBoundary {
public:
    // files_dir is where "bpn.csv", "test.csv" and "last.csv" live (the
    // working directory unless told otherwise).
    Workbench(Database& db, Platform& platform, std::filesystem::path files_dir = ".");
    ~Workbench() override;

    Database& database() { return db_; }
    Platform& platform() { return platform_; }
    MainWindow& main() { return *main_; }
    ReportWindows& reports() { return *reports_; }
    engine::Network& network() { return *network_; }
    exchange::Listings& listings() { return *listings_; }
    exchange::PatternFiles& pattern_files() { return *pattern_files_; }
    frames::FrameToolkit& frame_toolkit() { return *frames_; }
    exchange::SampleSets& sample_sets() { return *samples_; }

    // Every form that exists now (Consultas only once created).
    std::vector<Form*> forms();
    Form* find_form(std::string_view name);

    // The handler boundary.
    void run(const std::function<void()>& handler) override;
    bool busy() const { return depth_ > 0; }
    // Set once a handler ended the program; front ends stop then.
    std::optional<int> exit_code() const { return exit_code_; }

    // Armed timers of every form, for the front ends to fire.
    std::vector<Timer*> armed_timers();
    // Fires a timer through the boundary; does nothing while a handler runs.
    void fire(Timer& timer);

    // Reports progress of a long handler (training's pass and error); the
    // Qt front end shows it in the status bar.
    void report_progress(const std::string& text);
    void on_progress(std::function<void(const std::string&)> observer) {
        progress_observers_.push_back(std::move(observer));
    }

private:
    void show_failure(const std::string& text);

    Database& db_;
    Platform& platform_;
    std::unique_ptr<MainWindow> main_;
    std::unique_ptr<ReportWindows> reports_;
    std::unique_ptr<engine::Network> network_;
    std::unique_ptr<exchange::Listings> listings_;
    std::unique_ptr<exchange::PatternFiles> pattern_files_;
    std::unique_ptr<frames::FrameToolkit> frames_;
    std::unique_ptr<exchange::SampleSets> samples_;
    int depth_ = 0;
    bool last_failed_ = false;
    std::optional<int> exit_code_;
    std::vector<std::function<void(const std::string&)>> progress_observers_;
};

}  // namespace vorn
