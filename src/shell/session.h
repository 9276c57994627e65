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

// How far a long handler has got: done of total steps (passes of a
// training, generations of a GA run), and a line saying so. total is 0
// when the handler has no limit to show.
struct Progress {
    long long done = 0;
    long long total = 0;
    std::string text;
};

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

    // Counts the user-started handlers begun so far, so a front end can
    // tell one run's progress from the next.
    unsigned long long handlers_started() const { return handlers_started_; }

    // Reports progress of a long handler; the Qt front end shows it in the
    // status bar (a bar for done of total, the text, the time elapsed).
    // Cheap when nobody observes; observers keep their own pace.
    void report_progress(const Progress& progress);
    // A line of progress with no count.
    void report_progress(const std::string& text) { report_progress(Progress{0, 0, text}); }
    void on_progress(std::function<void(const Progress&)> observer) {
        progress_observers_.push_back(std::move(observer));
    }
    // An observer of the lines only.
    void on_progress(std::function<void(const std::string&)> observer) {
        on_progress([observer = std::move(observer)](const Progress& progress) { observer(progress.text); });
    }

private:
    void show_failure(const std::string& text);

    Database& db_;
    Platform& platform_;
    int depth_ = 0;
    bool last_failed_ = false;
    std::optional<int> exit_code_;
    unsigned long long handlers_started_ = 0;
    std::vector<std::function<void(const Progress&)>> progress_observers_;
};

}  // namespace vorn
