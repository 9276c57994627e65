#include "shell/session.h"

#include <exception>

#include "shell/platform.h"
#include "shell/record_store.h"

extern "C" {
#include <sqlite3.h>
}

namespace vorn {

namespace {
constexpr const char* kLockedText =
    "La base de datos esta bloqueada por otro programa.\r"
    "Cierre el otro programa y vuelva a intentarlo.";
constexpr const char* kEngineErrorTitle = "Error de base de datos";
constexpr const char* kInternalErrorTitle = "Error interno";
constexpr const char* kReadOnlyAtStart =
    "La base de datos es de solo lectura: se puede consultar, pero las operaciones que guardan datos no se "
    "ejecutaran.\r";
constexpr const char* kReadOnlyTitle = "Base de datos";

// What the user is told of an engine failure, in Spanish with the engine's
// text after it. A lock outside a commit ends the handler with its earlier
// committed steps stored; the lock is worded for what the user can do.
std::string failure_text(const EngineError& error) {
    const bool lock = error.code() == SQLITE_BUSY || error.code() == SQLITE_LOCKED;
    if (lock && dynamic_cast<const CommitError*>(&error) == nullptr) {
        return std::string(kLockedText) + (error.from_engine() ? std::string("\rDetalle: ") + error.what() : "");
    }
    return engine_failure_text(error);
}
}  // namespace

void ReportingPlatform::message(std::string_view text, std::string_view title, Icon icon) {
    if (held_depth_ > 0) {
        held_.push_back({false, {}, std::string(text), std::string(title), icon});
        return;
    }
    db_.commit_before_report();
    shown_.message(text, title, icon);
}

std::optional<std::string> ReportingPlatform::input(std::string_view prompt, std::string_view title,
                                                    std::string_view default_text) {
    refuse_dialog_while_held();
    db_.commit_before_report();
    return shown_.input(prompt, title, default_text);
}

Answer ReportingPlatform::question(std::string_view text, std::string_view title, Icon icon) {
    refuse_dialog_while_held();
    db_.commit_before_report();
    return shown_.question(text, title, icon);
}

void ReportingPlatform::print_lines(const std::vector<std::string>& lines) {
    if (held_depth_ > 0) {
        held_.push_back({true, lines, {}, {}, Icon::None});
        return;
    }
    db_.commit_before_report();
    shown_.print_lines(lines);
}

void ReportingPlatform::refuse_dialog_while_held() const {
    if (held_depth_ > 0) throw std::logic_error("dialogo abierto con la base de datos bloqueada para escritura");
}

void ReportingPlatform::release_messages(bool show) {
    if (held_depth_ == 0 || --held_depth_ > 0) return;
    std::vector<HeldReport> reports = std::move(held_);
    held_.clear();
    if (!show) return;
    for (const HeldReport& report : reports) {
        if (report.print) {
            print_lines(report.lines);
        } else {
            message(report.text, report.title, report.icon);
        }
    }
}

void ReportingPlatform::print_form_image(const Form& form) {
    db_.commit_before_report();
    shown_.print_form_image(form);
}

Session::Session(Database& db, Platform& platform) : db_(db), platform_(platform), reporting_(db, platform) {
    if (db_.read_only()) platform_.message(kReadOnlyAtStart + db_.path(), kReadOnlyTitle, Icon::Exclamation);
}

Session::~Session() {
    if (db_.in_transaction()) {
        try {
            db_.commit();
        } catch (const EngineError&) {
            // Nothing more can be done at shutdown; SQLite rolls back.
        }
    }
}

void Session::run(const std::function<void()>& handler) {
    if (depth_ > 0) {
        handler();
        return;
    }
    if (exit_code_) return;
    ++depth_;
    ++handlers_started_;
    last_failed_ = false;
    // A stop asked for while nothing ran is not meant for this handler.
    platform_.clear_stop_request();
    try {
        if (!db_.in_transaction()) db_.begin();
        handler();
    } catch (const EndProgram& end) {
        exit_code_ = end.code;
    } catch (const EngineError& error) {
        last_failed_ = true;
        show_failure(failure_text(error));
    } catch (const std::exception& error) {
        last_failed_ = true;
        platform_.message(error.what(), kInternalErrorTitle, Icon::Critical);
    }
    try {
        if (db_.in_transaction()) db_.commit();
    } catch (const EngineError& error) {
        if (db_.in_transaction()) {
            try {
                db_.execute_script("ROLLBACK");
            } catch (const EngineError&) {
            }
        }
        show_failure(failure_text(CommitError(error)));
    }
    --depth_;
    platform_.clear_stop_request();
    if (exit_code_) platform_.end_program(*exit_code_);
}

void Session::show_failure(const std::string& text) {
    // A failed statement may have left cursors on rows that are gone.
    try {
        db_.refresh_all_sources();
    } catch (const EngineError&) {
    }
    platform_.message(text, kEngineErrorTitle, Icon::Critical);
}

std::vector<Timer*> Session::armed_timers() {
    std::vector<Timer*> timers;
    for (Form* form : forms()) {
        for (Control* control : form->controls()) {
            auto* timer = dynamic_cast<Timer*>(control);
            if (timer != nullptr && timer->armed()) timers.push_back(timer);
        }
    }
    return timers;
}

void Session::fire(Timer& timer) {
    if (busy() || !timer.armed()) return;
    timer.click();
    // A timer whose handler failed would fail again at once, with a message
    // each time: it stops until something arms it again.
    if (last_failed_) timer.set_interval(0);
}

void Session::report_progress(const Progress& progress) {
    for (auto& observer : progress_observers_) observer(progress);
}

}  // namespace vorn
