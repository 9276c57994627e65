#include "shell/store_phase.h"

#include "shell/controls.h"
#include "shell/platform.h"
#include "shell/record_store.h"
#include "shell/session.h"

extern "C" {
#include <sqlite3.h>
}

namespace vorn {

namespace {
constexpr const char* kLockedQuestion = "La base de datos esta bloqueada por otro programa. \xC2\xBFReintentar?";
constexpr const char* kLockedTitle = "Base de datos";
constexpr const char* kNotStored =
    "La base de datos sigue bloqueada por otro programa: el resultado no se guardo. "
    "Las tablas quedan como estaban.";
constexpr int kMaxLockedTries = 5;
constexpr const char* kReadOnly =
    "La base de datos es de solo lectura: esta operacion necesita guardar datos y no se hizo.";

}  // namespace

bool is_lock(const EngineError& error) { return error.code() == SQLITE_BUSY || error.code() == SQLITE_LOCKED; }

LockRetry after_locked_try(Platform& platform, int attempt) {
    if (attempt >= kMaxLockedTries) return LockRetry::Locked;
    if (platform.question(kLockedQuestion, kLockedTitle, Icon::Exclamation, Answer::Yes) != Answer::Yes) return LockRetry::Declined;
    return LockRetry::Retry;
}

bool refuse_if_read_only(Database& db, Platform& platform) {
    if (!db.read_only()) return !take_write_lock(db, platform);
    platform.message(kReadOnly, kLockedTitle, Icon::Exclamation);
    return true;
}

void end_load_phase(Database& db) {
    try {
        db.commit();
    } catch (const EngineError& error) {
        throw CommitError(error);
    }
}

namespace {
void roll_back_quietly(Database& db) {
    if (db.in_transaction()) {
        try {
            db.execute_script("ROLLBACK");
        } catch (const EngineError&) {
        }
    }
    try {
        db.refresh_all_sources();
    } catch (const EngineError&) {
    }
}
}  // namespace

StoreOutcome store_result(Database& db, Platform& platform, const std::function<void()>& write) {
    // An operation that stores its own result (initial weights, say) may run
    // inside another's store phase, as an experiment runs "P.Ini": it joins
    // the outer one, which holds the write lock and commits for both.
    if (db.in_savepoint()) {
        Database::Savepoint nested(db);
        write();
        nested.release();
        return StoreOutcome::Stored;
    }
    end_load_phase(db);
    for (int attempt = 1;; ++attempt) {
        try {
            db.execute_script(db.writing_working_copies() ? "BEGIN" : "BEGIN IMMEDIATE");
            platform.hold_messages();
            try {
                {
                    Database::Savepoint all_or_nothing(db);
                    write();
                    all_or_nothing.release();
                }
                db.commit();
            } catch (...) {
                roll_back_quietly(db);
                platform.release_messages(false);
                throw;
            }
            platform.release_messages(true);
            return StoreOutcome::Stored;
        } catch (const EngineError& error) {
            roll_back_quietly(db);
            // A commit that failed on a lock has stored nothing and may be
            // tried again; any other failure ends the store phase.
            if (!is_lock(error)) {
                if (dynamic_cast<const CommitError*>(&error) != nullptr) throw;
                throw CommitError(error);
            }
        } catch (...) {
            roll_back_quietly(db);
            throw;
        }
        switch (after_locked_try(platform, attempt)) {
            case LockRetry::Retry: break;
            case LockRetry::Declined: return StoreOutcome::Declined;
            case LockRetry::Locked: return StoreOutcome::Locked;
        }
    }
}

void tell_not_stored(Platform& platform) { platform.message(kNotStored, kLockedTitle, Icon::Exclamation); }

bool store_or_tell(Database& db, Platform& platform, const std::function<void()>& write) {
    if (store_result(db, platform, write) == StoreOutcome::Stored) return true;
    tell_not_stored(platform);
    return false;
}

}  // namespace vorn
