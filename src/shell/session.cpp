#include "shell/session.h"

#include <exception>
#include <new>

#include "shell/platform.h"
#include "shell/record_store.h"
#include "shell/store_phase.h"

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
constexpr const char* kNoMemory = "No hay memoria suficiente para esta operacion";
// The library's own texts (English, for programmers) are never shown.
constexpr const char* kInternalFailure =
    "La operacion se interrumpio por un error interno del programa. Lo que ya se habia informado quedo guardado.";
constexpr const char* kReadOnlyAtStart =
    "La base de datos es de solo lectura: se puede consultar, pero las operaciones que guardan datos no se "
    "ejecutaran.\r";
constexpr const char* kReadOnlyTitle = "Base de datos";

constexpr const char* kLockTitle = "Base de datos";
constexpr const char* kStillLockedNotDone =
    "La base de datos sigue bloqueada por otro programa: la operacion no se hizo. Las tablas quedan como estaban.";
constexpr const char* kStillLockedUnfinished =
    "La base de datos sigue bloqueada por otro programa: la operacion no termino. Lo que ya se habia informado "
    "quedo guardado.";


// What the user is told of an engine failure, in Spanish with the engine's
// text after it. A lock outside a commit ends the handler with its earlier
// committed steps stored; the lock is worded for what the user can do.
std::string failure_text(const EngineError& error) {
    if (is_lock(error) && dynamic_cast<const CommitError*>(&error) == nullptr) {
        return std::string(kLockedText) + (error.from_engine() ? std::string("\rDetalle: ") + error.what() : "");
    }
    return engine_failure_text(error);
}

enum class LockOutcome { Taken, Declined, Locked };

// BEGIN IMMEDIATE with no transaction open: each try waits the busy
// timeout; between tries the user is asked, with nothing held.
LockOutcome begin_writing(Database& db, Platform& platform) {
    for (int attempt = 1;; ++attempt) {
        try {
            db.execute_script("BEGIN IMMEDIATE");
            return LockOutcome::Taken;
        } catch (const EngineError& error) {
            if (!is_lock(error)) throw;
        }
        switch (after_locked_try(platform, attempt)) {
            case LockRetry::Retry: break;
            case LockRetry::Declined: return LockOutcome::Declined;
            case LockRetry::Locked: return LockOutcome::Locked;
        }
    }
}

// A writing handler that could not take the write lock again after a
// report: it ends there. Not an EngineError, so that no code that handles
// an engine failure goes on writing without the lock.
struct WriteLockRefused {
    bool declined;
};

// A failure to show once the handler's transaction is committed.
struct Failure {
    std::string text, title;
    Icon icon;
    bool refresh;  // cursors may stand on rows that are gone
};
}  // namespace

bool take_write_lock(Database& db, Platform& platform) {
    // A writing handler's transaction left to begin after a report is
    // begun now (for a reading one, to be replaced just below).
    db.begin_pending();
    if (db.in_savepoint() || db.holds_write_lock() || !db.in_transaction()) return true;
    db.commit();
    switch (begin_writing(db, platform)) {
        case LockOutcome::Taken: return true;
        case LockOutcome::Declined: return false;
        case LockOutcome::Locked: break;
    }
    platform.message(kStillLockedNotDone, kLockTitle, Icon::Exclamation);
    return false;
}

void ReportingPlatform::message(std::string_view text, std::string_view title, Icon icon) {
    if (held_depth_ > 0) {
        held_.push_back({false, false, {}, std::string(text), std::string(title), icon});
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

Answer ReportingPlatform::question(std::string_view text, std::string_view title, Icon icon, Answer preferred) {
    refuse_dialog_while_held();
    db_.commit_before_report();
    return shown_.question(text, title, icon, preferred);
}

void ReportingPlatform::print_lines(const std::vector<std::string>& lines) {
    if (held_depth_ > 0) {
        held_.push_back({true, false, lines, {}, {}, Icon::None});
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
        } else if (report.note) {
            note(report.text);
        } else {
            message(report.text, report.title, report.icon);
        }
    }
}

void ReportingPlatform::note(std::string_view text) {
    if (held_depth_ > 0) {
        held_.push_back({false, true, {}, std::string(text), {}, Icon::None});
        return;
    }
    db_.commit_before_report();
    shown_.note(text);
}

void ReportingPlatform::print_form_image(const Form& form) {
    db_.commit_before_report();
    shown_.print_form_image(form);
}

Session::Session(Database& db, Platform& platform) : db_(db), platform_(platform), reporting_(db, platform) {
    db_.set_write_lock_taker([this] {
        switch (begin_writing(db_, platform_)) {
            case LockOutcome::Taken: return;
            case LockOutcome::Declined: throw WriteLockRefused{true};
            case LockOutcome::Locked: throw WriteLockRefused{false};
        }
    });
    if (db_.read_only()) platform_.message(kReadOnlyAtStart + db_.path(), kReadOnlyTitle, Icon::Exclamation);
}

Session::~Session() {
    db_.set_write_lock_taker({});
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
    std::vector<Failure> failures;
    try {
        db_.begin();
        handler();
    } catch (const EndProgram& end) {
        exit_code_ = end.code;
    } catch (const WriteLockRefused& refused) {
        last_failed_ = true;
        // The user who said No knows why the operation ended.
        if (!refused.declined) failures.push_back({kStillLockedUnfinished, kLockTitle, Icon::Exclamation, false});
    } catch (const EngineError& error) {
        last_failed_ = true;
        failures.push_back({failure_text(error), kEngineErrorTitle, Icon::Critical, true});
    } catch (const std::bad_alloc&) {
        last_failed_ = true;
        failures.push_back({kNoMemory, kInternalErrorTitle, Icon::Critical, true});
    } catch (const std::exception&) {
        last_failed_ = true;
        failures.push_back({kInternalFailure, kInternalErrorTitle, Icon::Critical, true});
    }
    // Rows already changed stay changed, and are committed before anything
    // is shown: no dialog is open while this program holds the write lock.
    try {
        db_.commit();
    } catch (const EngineError& error) {
        if (db_.in_transaction()) {
            try {
                db_.execute_script("ROLLBACK");
            } catch (const EngineError&) {
            }
        }
        failures.push_back({failure_text(CommitError(error)), kEngineErrorTitle, Icon::Critical, true});
    }
    bool refreshed = false;
    for (const Failure& failure : failures) {
        if (failure.refresh && !refreshed) {
            refreshed = true;
            try {
                db_.refresh_all_sources();
            } catch (const EngineError&) {
            }
        }
        platform_.message(failure.text, failure.title, failure.icon);
    }
    --depth_;
    platform_.clear_stop_request();
    if (exit_code_) platform_.end_program(*exit_code_);
}

bool Session::refuse_writing() { return refuse_if_read_only(db_, reporting_); }

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
