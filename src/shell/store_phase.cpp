#include "shell/store_phase.h"

#include "shell/platform.h"
#include "shell/record_store.h"

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

bool is_lock(const EngineError& error) { return error.code() == SQLITE_BUSY || error.code() == SQLITE_LOCKED; }
}  // namespace

bool refuse_if_read_only(Database& db, Platform& platform) {
    if (!db.read_only()) return false;
    platform.message(kReadOnly, kLockedTitle, Icon::Exclamation);
    return true;
}

void end_load_phase(Database& db) { db.commit(); }

bool store_result(Database& db, Platform& platform, const std::function<void()>& write) {
    db.commit();
    for (int attempt = 1;; ++attempt) {
        try {
            db.execute_script("BEGIN IMMEDIATE");
            write();
            db.commit();
            return true;
        } catch (const EngineError& error) {
            if (db.in_transaction()) db.execute_script("ROLLBACK");
            try {
                db.refresh_all_sources();
            } catch (const EngineError&) {
            }
            if (!is_lock(error)) throw;
        }
        if (attempt >= kMaxLockedTries ||
            platform.question(kLockedQuestion, kLockedTitle, Icon::Exclamation) != Answer::Yes) {
            platform.message(kNotStored, kLockedTitle, Icon::Exclamation);
            return false;
        }
    }
}

}  // namespace vorn
