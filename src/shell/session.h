// The session: one open ga7.mdb and the handler boundary every form runs
// its handlers inside. One transaction per user-started handler, engine
// failures shown as a message with the window left open, timers held back
// while a handler runs, and the progress a long handler reports. What
// forms exist is the composition's business (app/workbench.h); the session
// only asks for them.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "shell/form.h"

namespace vorn {

class Database;
class Platform;
class Timer;

class Session : public HandlerBoundary {
public:
    Session(Database& db, Platform& platform);
    ~Session() override;

    Database& database() { return db_; }
    Platform& platform() { return platform_; }

    // Every form that exists now.
    virtual std::vector<Form*> forms() = 0;

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
    int depth_ = 0;
    bool last_failed_ = false;
    std::optional<int> exit_code_;
    std::vector<std::function<void(const std::string&)>> progress_observers_;
};

}  // namespace vorn
