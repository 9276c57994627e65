// The session: one open ga7.mdb and the handler boundary every form runs
// its handlers inside. One transaction per user-started handler, engine
// failures shown as a message with the window left open, timers held back
// while a handler runs, and the progress a long handler reports. What
// forms exist is the composition's business (app/workbench.h); the session
// only asks for them, and is all a front end sees of the workbench.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/form.h"
#include "shell/platform.h"

namespace vorn {

class Database;
class MainWindow;
class ReportWindows;
class Timer;

// Before a handler's first write: its transaction becomes one that holds
// the write lock (BEGIN IMMEDIATE, each try waiting the busy timeout for
// another program), so that nothing it reads is voided by another
// program's write and none of its writes gives up at once. While the
// database stays locked the user is asked whether to retry. False when the
// handler must not write: the user declined (nothing is said), or five
// tries found it locked (the user is told the operation was not done). What
// the handler did before is committed first. Inside an all-or-nothing scope,
// and outside any transaction (each statement then waits by itself), it
// does nothing. Every writing handler asks it through refuse_if_read_only().
bool take_write_lock(Database& db, Platform& platform);

// The Platform the forms are given: the front end's, except that before
// anything is shown to the user (a message, a question, an input box, a
// print) the running handler's writes are committed. So whatever a handler
// reports as done is stored first, and a commit that fails ends the handler
// with the failure shown instead of the report (see
// Database::commit_before_report). No lock or snapshot is held while the
// user reads or answers.
class ReportingPlatform : public Platform {
public:
    ReportingPlatform(Database& db, Platform& shown) : db_(db), shown_(shown) {}

    void message(std::string_view text, std::string_view title, Icon icon) override;
    std::optional<std::string> input(std::string_view prompt, std::string_view title,
                                     std::string_view default_text) override;
    Answer question(std::string_view text, std::string_view title, Icon icon, Answer preferred) override;
    void print_lines(const std::vector<std::string>& lines) override;
    void print_form_image(const Form& form) override;
    std::chrono::system_clock::time_point now() override { return shown_.now(); }
    double random() override { return shown_.random(); }
    void reseed() override { shown_.reseed(); }
    void beep() override { shown_.beep(); }
    void end_program(int code) override { shown_.end_program(code); }
    bool stop_requested() override { return shown_.stop_requested(); }
    void request_stop() override { shown_.request_stop(); }
    void clear_stop_request() override { shown_.clear_stop_request(); }
    // Messages and prints wait while held; an input box or a question
    // while held is a fault of the caller (it would wait for the user with
    // the lock held) and throws std::logic_error.
    void hold_messages() override { ++held_depth_; }
    void release_messages(bool show) override;
    void note(std::string_view text) override;
    void show_document(std::string_view title, std::string_view markdown) override {
        shown_.show_document(title, markdown);
    }
    void begin_long_run() override { shown_.begin_long_run(); }
    void end_long_run() override { shown_.end_long_run(); }

private:
    struct HeldReport {
        bool print = false;
        bool note = false;
        std::vector<std::string> lines;
        std::string text, title;
        Icon icon = Icon::None;
    };
    void refuse_dialog_while_held() const;

    Database& db_;
    Platform& shown_;
    int held_depth_ = 0;
    std::vector<HeldReport> held_;
};

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
    // On a database opened read-only, says so once (the handlers that write
    // then refuse, see store_phase.h). A writing handler's writes after a
    // report take the write lock again as at its start; when the user
    // declines, or it stays locked, the handler ends there.
    Session(Database& db, Platform& platform);
    ~Session() override;

    Database& database() { return db_; }
    // The platform every form and subsystem must be given: it commits
    // before it shows anything.
    Platform& platform() { return reporting_; }

    // The forms, as the composition built them. A front end lays out and
    // drives these; it never builds them.
    virtual MainWindow& main() = 0;
    // Consultas, created the first time it is asked for.
    virtual ReportWindows& reports() = 0;
    // Every form that exists now.
    virtual std::vector<Form*> forms() = 0;
    // The form named so, in any case; "Consultas" is created when asked
    // for. Null when no such form exists now.
    virtual Form* find_form(std::string_view name) = 0;

    // The handler boundary. What the handler wrote is committed before any
    // failure is shown. A failure of the library (memory, say) is shown in
    // Spanish, never with the library's own text.
    void run(const std::function<void()>& handler) override;
    // A writing handler is refused on a read-only database and otherwise
    // takes the write lock first (refuse_if_read_only).
    bool refuse_writing() override;
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

    Database& db_;
    Platform& platform_;
    ReportingPlatform reporting_;
    int depth_ = 0;
    bool last_failed_ = false;
    std::optional<int> exit_code_;
    unsigned long long handlers_started_ = 0;
    std::vector<std::function<void(const Progress&)>> progress_observers_;
};

// How a front end gets its session: the composition builds it over the
// Platform the front end implements, once the front end has one.
using SessionBuilder = std::function<std::unique_ptr<Session>(Platform& platform)>;

}  // namespace vorn
