#include "shell/workbench.h"

#include <exception>

#include "engine/network.h"
#include "exchange/listings.h"
#include "exchange/pattern_files.h"
#include "exchange/sample_sets.h"
#include "frames/frame_toolkit.h"
#include "shell/number_text.h"
#include "shell/platform.h"
#include "shell/record_store.h"

extern "C" {
#include <sqlite3.h>
}

namespace vorn {

namespace {
constexpr const char* kLockedText =
    "La base de datos esta bloqueada por otro programa.\r"
    "Cierre el otro programa y vuelva a intentarlo; no se perdio ningun dato.";
constexpr const char* kEngineErrorTitle = "Error de base de datos";
constexpr const char* kInternalErrorTitle = "Error interno";

// What the user is told of an engine failure: a lock held by another
// program in plain words, anything else in the engine's own.
std::string failure_text(const EngineError& error) {
    return error.code() == SQLITE_BUSY || error.code() == SQLITE_LOCKED ? kLockedText : error.what();
}
}  // namespace

Workbench::Workbench(Database& db, Platform& platform, std::filesystem::path files_dir)
    : db_(db), platform_(platform) {
    main_ = std::make_unique<MainWindow>(db_);
    main_->set_boundary(this);
    reports_ = std::make_unique<ReportWindows>(platform_, this);
    network_ = std::make_unique<engine::Network>(*main_, platform_, *reports_, *this);
    listings_ = std::make_unique<exchange::Listings>(*main_, *network_, *reports_);
    pattern_files_ = std::make_unique<exchange::PatternFiles>(*main_, platform_, *listings_, files_dir);
    network_->set_history_writer(pattern_files_.get());
    frames_ = std::make_unique<frames::FrameToolkit>(*main_, platform_, *network_, *reports_, *listings_,
                                                     *pattern_files_);
    samples_ = std::make_unique<exchange::SampleSets>(*main_, platform_, db_, *network_);

    network_->connect();
    listings_->connect();
    pattern_files_->connect();
    frames_->connect();
    samples_->connect();

    // The experiment timer belongs to the run log; until it exists the timer
    // only stops itself, so it fires once at start as the window expects.
    main_->Timer1.set_handler([this] { main_->Timer1.set_interval(0); });
}

Workbench::~Workbench() {
    if (db_.in_transaction()) {
        try {
            db_.commit();
        } catch (const EngineError&) {
            // Nothing more can be done at shutdown; SQLite rolls back.
        }
    }
}

std::vector<Form*> Workbench::forms() {
    std::vector<Form*> forms{main_.get()};
    if (reports_->exists()) forms.push_back(&reports_->get());
    return forms;
}

Form* Workbench::find_form(std::string_view name) {
    if (lower(name) == "consultas") return &reports_->get();
    for (Form* form : forms()) {
        if (lower(form->name()) == lower(name)) return form;
    }
    return nullptr;
}

void Workbench::run(const std::function<void()>& handler) {
    if (depth_ > 0) {
        handler();
        return;
    }
    if (exit_code_) return;
    ++depth_;
    last_failed_ = false;
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
        show_failure(failure_text(error));
    }
    --depth_;
    if (exit_code_) platform_.end_program(*exit_code_);
}

void Workbench::show_failure(const std::string& text) {
    // A failed statement may have left cursors on rows that are gone.
    try {
        db_.refresh_all_sources();
    } catch (const EngineError&) {
    }
    platform_.message(text, kEngineErrorTitle, Icon::Critical);
}

std::vector<Timer*> Workbench::armed_timers() {
    std::vector<Timer*> timers;
    for (Form* form : forms()) {
        for (Control* control : form->controls()) {
            auto* timer = dynamic_cast<Timer*>(control);
            if (timer != nullptr && timer->armed()) timers.push_back(timer);
        }
    }
    return timers;
}

void Workbench::fire(Timer& timer) {
    if (busy() || !timer.armed()) return;
    timer.click();
    // A timer whose handler failed would fail again at once, with a message
    // each time: it stops until something arms it again.
    if (last_failed_) timer.set_interval(0);
}

void Workbench::report_progress(const std::string& text) {
    for (auto& observer : progress_observers_) observer(text);
}

}  // namespace vorn
