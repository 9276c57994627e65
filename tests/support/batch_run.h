// Test support: a batch run put together as the program puts one together,
// on a database opened by path and a workbench whose files are in the
// test's own folder.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <memory>

#include "app/workbench.h"
#include "batch/script_driver.h"
#include "shell/record_store.h"

namespace vorn::testing {

// Opens (or creates, with its samples) the database at `db` and runs the
// script on a workbench over the driver's Platform; a refused database is
// told on `err`, as the program tells it.
inline int run_script_on(const std::filesystem::path& db, const std::filesystem::path& files_dir,
                         std::istream& script, std::ostream& out, std::ostream& err,
                         const batch::BatchOptions& options) {
    OpenedDatabase opened = open_database(db);
    if (!opened.db) return batch::refuse_database(err, opened.refusal, opened.open_failed);
    return batch::run_script(script, out, err, options, [&](Platform& platform) {
        return std::make_unique<Workbench>(*opened.db, platform, files_dir);
    });
}

}  // namespace vorn::testing
