// Opening ga7.mdb. A missing file is created from the schema and sample
// data compiled into the program. An existing file is first looked at
// read-only: anything that is not a sound SQLite file holding every table of
// the workbench (another program's database, a damaged file, a path that
// cannot be read) is refused with a Spanish message naming what is wrong and
// is left byte for byte as it was (its side files too). Only then is it
// opened for writing, and a half-done write of a killed program (a hot
// journal) is undone. When the file or its folder is read-only it is opened
// for reading only, showing every committed row, those in its -wal
// included; nothing is written, no side file is made (the handlers refuse to
// write). A read-only file that cannot be shown so without writing (a hot
// journal, or a -wal without its -shm) is refused.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

class Database;

struct OpenResult {
    std::unique_ptr<Database> db;  // null when refused
    bool created = false;
    bool read_only = false;
    std::string error;             // the Spanish message when refused
};

OpenResult open_workbench_database(const std::filesystem::path& path);

// The tables every workbench database has; a file without one of them is
// not ours.
const std::vector<std::string_view>& workbench_tables();

// Tables that later work adds to the workbench. Each statement is a
// "CREATE TABLE IF NOT EXISTS"; they run, in order, every time a writable
// workbench database is opened (after the file was judged ours), so older
// files gain the tables. To add a table, append its statement to
// kLaterTables in default_database.cpp. The ten-year table
// AccionesHistoricas also arrives at that open, created and filled by
// embedded_history_data() when the file has no such table; a read-only file
// is shown without it.
const std::vector<std::string_view>& later_tables();

// Removes, in `folder`, the files named `prefix` + a process id (+ any
// suffix, such as a side file's "-wal") whose process no longer runs: the
// temporary files a killed workbench left behind. Files of running
// processes and everything else are left alone.
void remove_stale_temporaries(const std::filesystem::path& folder, std::string_view prefix);

// The compiled-in schema, sample rows and ten-year table (SQL scripts).
std::string_view embedded_schema();
std::string_view embedded_sample_data();
std::string_view embedded_history_data();

}  // namespace vorn
