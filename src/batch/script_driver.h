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
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "batch/batch_platform.h"
#include "batch/event_writer.h"
#include "batch/script_parser.h"

namespace vorn {
class Control;
class Database;
class Workbench;
}  // namespace vorn

namespace vorn::batch {

struct BatchOptions {
    std::filesystem::path db = "ga7.mdb";
    // Where "bpn.csv", "test.csv" and "last.csv" are read and written.
    std::filesystem::path files_dir = ".";
    // A fixed seed makes every random draw of the run reproducible.
    std::optional<std::uint64_t> seed;
    OutputFormat format = OutputFormat::Text;
    bool no_startup = false;
};

// Opens (or creates) the database and runs the script read from `script`.
// Events go to `out`; a refused database's message goes to `err`.
int run_script(std::istream& script, std::ostream& out, std::ostream& err, const BatchOptions& options);

// As run_script, reading the script from a file, or standard input for "-".
int run_script_file(const std::string& file, std::ostream& out, std::ostream& err, const BatchOptions& options);

// One batch run on an open database: the scripted Platform, the workbench
// with its forms, and the loop that drives them. run_script builds one;
// tests and embedders build their own to reach the workbench before the
// script starts.
class BatchSession {
public:
    BatchSession(Database& db, std::ostream& out, const BatchOptions& options);
    ~BatchSession();
    BatchSession(const BatchSession&) = delete;
    BatchSession& operator=(const BatchSession&) = delete;

    Workbench& workbench() { return *bench_; }
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
    std::unique_ptr<Workbench> bench_;
};

}  // namespace vorn::batch
