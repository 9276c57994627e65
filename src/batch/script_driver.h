// The batch driver: runs the workbench without windows, line by line from
// a script, through the same forms and handlers a person uses, and prints
// an event for everything that person would have seen.
//
// The forms open as they do on screen; their start-up timers fire before
// the first line (with no_startup they are stopped without firing), and
// after every line the timers that are armed fire until none is. The run
// stops early when the program ends itself ("Salir"), with an exit event.
//
// Exit codes: 2 when any error event was printed; otherwise the program's
// own code when it ended itself, else 0. A database or script file that
// cannot be opened gives 1, with a Spanish message on the error stream.
//
// The driver never opens the database nor builds the workbench: it is
// handed a builder that makes the session over the driver's Platform.
#pragma once

#include <cstdint>
#include <fstream>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "batch/batch_platform.h"
#include "batch/event_writer.h"
#include "batch/script_parser.h"
#include "shell/session.h"

namespace vorn {
class Control;
}  // namespace vorn

namespace vorn::batch {

struct BatchOptions {
    // A fixed seed makes every random draw of the run reproducible.
    std::optional<std::uint64_t> seed;
    OutputFormat format = OutputFormat::Text;
    bool no_startup = false;
};

// The script a run reads: a file, or standard input for "-".
class ScriptSource {
public:
    // False, after saying so on `err`, when the file cannot be read.
    bool open(const std::string& file, std::ostream& err);
    std::istream& stream();

private:
    std::ifstream file_;
    bool standard_input_ = false;
};

// Tells on `err` why the database was refused (open_failed: the open
// itself failed, and refusal is that failure's text); gives the exit code.
int refuse_database(std::ostream& err, std::string_view refusal, bool open_failed);

// Runs the script read from `script` on the session `build` makes. Events
// go to `out`; a stop by Ctrl-C and an internal failure are told on `err`.
int run_script(std::istream& script, std::ostream& out, std::ostream& err, const BatchOptions& options,
               const SessionBuilder& build);

// One batch run: the scripted Platform, the session built over it, and the
// loop that drives its forms. run_script makes one; tests make their own to
// reach the forms before the script starts.
class BatchSession {
public:
    BatchSession(std::ostream& out, const BatchOptions& options, const SessionBuilder& build);
    ~BatchSession();
    BatchSession(const BatchSession&) = delete;
    BatchSession& operator=(const BatchSession&) = delete;

    Session& session() { return *session_; }
    BatchPlatform& platform() { return platform_; }

    // Fires the start-up timers (or stops them, with no_startup), then runs
    // every line until the end or until the program ends itself, and gives
    // the exit code.
    int run(std::istream& script);

private:
    // Fires the armed timers until none is (start-up uses line 0).
    void fire_timers(int line);
    void run_line(std::string_view text, int line);
    bool ended() const;

    void execute(const ScriptCommand& command, int line);
    void set(const ScriptCommand& command, int line);
    void click(const ScriptCommand& command, int line);
    void get(const ScriptCommand& command, int line);
    void list();
    void dump(const ScriptCommand& command, int line);
    void sql(const ScriptCommand& command, int line);
    void activate(const ScriptCommand& command, int line);
    // The control a command names, or nullptr after an error event.
    Control* find_control(const ScriptCommand& command, int line);

    bool no_startup_;
    EventWriter events_;
    BatchPlatform platform_;
    std::unique_ptr<Session> session_;
};

}  // namespace vorn::batch
