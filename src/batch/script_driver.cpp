#include "batch/script_driver.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "shell/controls.h"
#include "shell/number_text.h"
#include "shell/record_store.h"
#include "shell/report_window.h"
#include "shell/sql_dialect.h"

namespace vorn::batch {

namespace {

// A timer that re-arms itself for ever would otherwise hold the run; no
// timer of the workbench fires more than a few times in a row.
constexpr int kMaxTimerFirings = 10000;

constexpr const char* kScriptNotFound = "vorn2: no se puede abrir el guion: ";
constexpr const char* kDatabaseFailed = "vorn2: no se puede abrir la base de datos: ";
constexpr const char* kInternalError = "vorn2: error interno: ";
constexpr const char* kInterrupted =
    "vorn2: detenido con Ctrl-C; las lineas siguientes del guion no se ejecutaron.";
// What a shell expects of a program that ended on SIGINT.
constexpr int kInterruptedCode = 130;

// The script's own error events.
constexpr const char* kNoSuchForm = "no existe la ventana: ";
constexpr const char* kNoSuchControl = "no existe el control: ";
constexpr const char* kCannotSet = "no se puede escribir en ";
constexpr const char* kCannotSetWhy = ": no es un campo de texto ni una lista desplegable";
constexpr const char* kCannotClick = "no se puede pulsar ";
constexpr const char* kCannotClickWhy = ": no es un boton, un elemento de menu ni un temporizador";
constexpr const char* kCannotGet = "no se puede leer ";
constexpr const char* kCannotGetWhy = ": no muestra ningun texto";
constexpr const char* kCannotActivate = "no se puede activar ";
constexpr const char* kNotAList = ": no es una lista";
constexpr const char* kItHas = ": tiene ";
constexpr const char* kLines = " lineas";
constexpr const char* kTimersArmed = "temporizadores aun activos despues de ";
constexpr const char* kTimersStopped = " disparos; se detuvieron: ";
constexpr const char* kNoSuchTable = "no existe la tabla: ";
constexpr const char* kEngineFailed = "error de la base de datos: ";
constexpr const char* kFailed = "error interno: ";

// A terminal ends lines with a line feed; the program's texts end theirs
// with carriage returns, which would overwrite each line with the next.
std::string terminal_text(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') {
            out.push_back(text[i]);
        } else if (i + 1 == text.size() || text[i + 1] != '\n') {
            out.push_back('\n');
        }
    }
    return out;
}

std::string qualified(const Form& form, const Control& control) { return form.name() + "." + control.name(); }

}  // namespace

// The workbench tells its Platform when a handler ended the program.
bool BatchSession::ended() const { return platform_.ended().has_value(); }

void BatchSession::fire_timers(int line) {
    for (int fired = 0; !ended() && !interrupted(); ++fired) {
        std::vector<Timer*> timers = session_->armed_timers();
        if (timers.empty()) return;
        if (fired == kMaxTimerFirings) {
            // Stopped, so that the lines after this one still run.
            std::string names;
            for (Timer* timer : timers) {
                names += (names.empty() ? "" : ", ") + qualified(timer->form(), *timer);
                timer->set_interval(0);
            }
            events_.error(line, kTimersArmed + format_int(kMaxTimerFirings) + kTimersStopped + names);
            return;
        }
        // The shortest interval comes due first, as it would on screen.
        Timer* next = *std::min_element(timers.begin(), timers.end(),
                                        [](Timer* a, Timer* b) { return a->interval() < b->interval(); });
        session_->fire(*next);
    }
}

void BatchSession::run_line(std::string_view text, int line) {
    ParsedLine parsed = parse_script_line(text);
    if (parsed.kind == ParsedLine::Kind::Skip) return;
    if (parsed.kind == ParsedLine::Kind::Error) {
        events_.error(line, parsed.error);
        return;
    }
    try {
        execute(parsed.command, line);
    } catch (const EndProgram& end) {
        // Handlers end the program inside the boundary; should one ever
        // reach here, the program still ends as it asked.
        platform_.end_program(end.code);
    } catch (const EngineError& error) {
        events_.error(line, kEngineFailed + std::string(error.what()));
    } catch (const std::exception& error) {
        events_.error(line, kFailed + std::string(error.what()));
    }
    if (!ended()) fire_timers(line);
}

BatchSession::BatchSession(std::ostream& out, const BatchOptions& options, const SessionBuilder& build)
    : no_startup_(options.no_startup),
      events_(out, options.format),
      platform_(events_, options.seed ? *options.seed : RandomStream::seed_from_clock()),
      session_(build(platform_)) {}

BatchSession::~BatchSession() = default;

int BatchSession::run(std::istream& script) {
    if (no_startup_) {
        // The forms open as on screen, but what their timers would do at
        // start is left to the script.
        for (Timer* timer : session_->armed_timers()) timer->set_interval(0);
    } else {
        fire_timers(0);
    }
    std::string text;
    for (int line = 1; !ended() && !interrupted() && std::getline(script, text); ++line) {
        if (!text.empty() && text.back() == '\r') text.pop_back();
        run_line(text, line);
    }
    if (ended()) {
        events_.exit(*platform_.ended());
    } else if (interrupted()) {
        events_.exit(kInterruptedCode);
        return kInterruptedCode;
    }
    // A script error outweighs the program's own code, so that a script
    // that went wrong and then pressed "Salir" is not taken for a success.
    if (events_.errors() > 0) return 2;
    return platform_.ended().value_or(0);
}

void BatchSession::execute(const ScriptCommand& command, int line) {
    switch (command.verb) {
        case Verb::Set: set(command, line); break;
        case Verb::Click: click(command, line); break;
        case Verb::Get: get(command, line); break;
        case Verb::Answer: platform_.queue_answer(command.text); break;
        case Verb::Reply: platform_.queue_reply(command.reply); break;
        case Verb::List: list(); break;
        case Verb::Dump: dump(command, line); break;
        case Verb::Sql: sql(command, line); break;
        case Verb::Activate: activate(command, line); break;
    }
}

Control* BatchSession::find_control(const ScriptCommand& command, int line) {
    Form* form = session_->find_form(command.form);
    if (form == nullptr) {
        events_.error(line, kNoSuchForm + command.form);
        return nullptr;
    }
    Control* control = form->find(command.control);
    if (control == nullptr) events_.error(line, kNoSuchControl + command.form + "." + command.control);
    return control;
}

void BatchSession::set(const ScriptCommand& command, int line) {
    Control* control = find_control(command, line);
    if (control == nullptr) return;
    if (auto* field = dynamic_cast<TextField*>(control)) {
        field->set_text(command.text.value_or(""));
    } else if (auto* combo = dynamic_cast<ComboBox*>(control)) {
        combo->set_text(command.text.value_or(""));
    } else {
        events_.error(line, kCannotSet + qualified(control->form(), *control) + kCannotSetWhy);
    }
}

void BatchSession::click(const ScriptCommand& command, int line) {
    Control* control = find_control(command, line);
    if (control == nullptr) return;
    // Buttons, menu items, 3-D push buttons and timers are all commands;
    // hidden ones run too, which is how scripts reach "2Data" and friends.
    auto* target = dynamic_cast<Command*>(control);
    if (target == nullptr) {
        events_.error(line, kCannotClick + qualified(control->form(), *control) + kCannotClickWhy);
        return;
    }
    target->click();
}

void BatchSession::get(const ScriptCommand& command, int line) {
    if (command.control.empty()) {
        // The window itself: what its title bar shows.
        Form* form = session_->find_form(command.form);
        if (form == nullptr) {
            events_.error(line, kNoSuchForm + command.form);
            return;
        }
        events_.value(form->name(), form->caption());
        return;
    }
    Control* control = find_control(command, line);
    if (control == nullptr) return;
    std::string text;
    if (const auto* field = dynamic_cast<const TextField*>(control)) {
        text = field->text();
    } else if (const auto* combo = dynamic_cast<const ComboBox*>(control)) {
        text = combo->text();
    } else if (const auto* label = dynamic_cast<const Label*>(control)) {
        text = label->caption();
    } else if (const auto* plot = dynamic_cast<const Plot*>(control)) {
        // Each line of the plot is a value of its own, the first first.
        for (size_t i = 0; i < plot->lines().size(); ++i) {
            events_.value(qualified(control->form(), *control), plot->line_text(i));
        }
        return;
    } else if (const auto* timer = dynamic_cast<const Timer*>(control)) {
        // A timer shows no text; its interval (0 = stopped) is what a
        // script wants to know of it.
        text = format_int(timer->interval());
    } else if (const auto* button = dynamic_cast<const Command*>(control)) {
        text = button->caption();
    } else if (const auto* data = dynamic_cast<const DataControl*>(control)) {
        text = data->caption();
    } else if (const auto* frame = dynamic_cast<const Frame3D*>(control)) {
        text = frame->caption();
    } else if (const auto* option = dynamic_cast<const OptionButton*>(control)) {
        text = option->caption();
    } else {
        events_.error(line, kCannotGet + qualified(control->form(), *control) + kCannotGetWhy);
        return;
    }
    events_.value(qualified(control->form(), *control), text);
}

void BatchSession::activate(const ScriptCommand& command, int line) {
    Control* control = find_control(command, line);
    if (control == nullptr) return;
    auto* list = dynamic_cast<ListBox*>(control);
    if (list == nullptr) {
        events_.error(line, kCannotActivate + qualified(control->form(), *control) + kNotAList);
        return;
    }
    if (command.line > static_cast<long>(list->lines().size())) {
        events_.error(line, kCannotActivate + qualified(control->form(), *control) + kItHas +
                                format_int(static_cast<long long>(list->lines().size())) + kLines);
        return;
    }
    list->activate(static_cast<int>(command.line - 1));
}

void BatchSession::list() {
    // Asking for the list does not create the report window: a script that
    // never listed anything sees an empty list, as a person would.
    if (!session_->reports().exists()) {
        events_.list({});
        return;
    }
    events_.list(session_->reports().get().List1.lines());
}

void BatchSession::dump(const ScriptCommand& command, int line) {
    Database& db = session_->database();
    const std::string& name = command.argument;
    // Only a name that is plainly a table reaches SQL, quoted; anything else
    // a script writes here is never run.
    // Its rows are named as the table spells itself, whatever case the
    // script used; a view has no rowid order and is not dumped.
    std::string table;
    if (is_plain_identifier(name) && db.table_exists(name)) {
        QueryResult named = db.query_bound(
            "SELECT name FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE", {Value(name)});
        if (!named.rows.empty()) table = as_text(named.rows.front().front());
    }
    if (table.empty()) {
        events_.error(line, kNoSuchTable + name);
        return;
    }
    QueryResult rows = db.query_bound("SELECT * FROM " + quote_identifier(table) + " ORDER BY rowid", {});
    for (const auto& row : rows.rows) events_.row(table, rows.columns, row);
}

void BatchSession::sql(const ScriptCommand& command, int line) {
    Database& db = session_->database();
    // The statement gets a transaction of its own, like a handler: a failure
    // leaves the database as it was before the statement.
    if (!db.in_transaction()) db.begin();
    try {
        db.execute(command.argument);
    } catch (const EngineError& error) {
        events_.error(line, kEngineFailed + std::string(error.what()));
    }
    try {
        if (db.in_transaction()) db.commit();
    } catch (const EngineError& error) {
        events_.error(line, kEngineFailed + std::string(error.what()));
    }
    // Every data source stands on its first record again, so the next
    // handler sees the change and no cursor keeps a row that is gone.
    try {
        db.refresh_all_sources();
    } catch (const EngineError& error) {
        events_.error(line, kEngineFailed + std::string(error.what()));
    }
}

bool ScriptSource::open(const std::string& file, std::ostream& err) {
    if (file == "-") {
        standard_input_ = true;
        return true;
    }
    std::error_code ec;
    // A folder opens as a stream that reads nothing; say so instead of
    // running an empty script.
    if (!std::filesystem::is_directory(file, ec)) file_.open(file, std::ios::binary);
    if (!file_.is_open()) {
        err << kScriptNotFound << file << '\n';
        return false;
    }
    return true;
}

std::istream& ScriptSource::stream() { return standard_input_ ? std::cin : file_; }

int refuse_database(std::ostream& err, std::string_view refusal, bool open_failed) {
    if (open_failed) err << kDatabaseFailed;
    err << terminal_text(refusal) << '\n';
    return 1;
}

int run_script(std::istream& script, std::ostream& out, std::ostream& err, const BatchOptions& options,
               const SessionBuilder& build) {
    try {
        BatchSession session(out, options, build);
        const int code = session.run(script);
        if (interrupted()) err << kInterrupted << '\n';
        return code;
    } catch (const std::exception& error) {
        err << kInternalError << terminal_text(error.what()) << '\n';
        return 1;
    }
}

}  // namespace vorn::batch
