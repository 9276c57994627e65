// Opening ga7.mdb: an existing SQLite file is opened as it is; a missing
// file is created from the schema and sample data compiled into the
// program; anything else (a file that is not an SQLite database, a path
// that cannot be read) is refused with a Spanish message and never touched.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace vorn {

class Database;

struct OpenResult {
    std::unique_ptr<Database> db;  // null when refused
    bool created = false;
    std::string error;             // the Spanish message when refused
};

OpenResult open_workbench_database(const std::filesystem::path& path);

// The compiled-in schema and sample rows (SQL scripts).
std::string_view embedded_schema();
std::string_view embedded_sample_data();

}  // namespace vorn
