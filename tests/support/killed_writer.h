// Test support: a database as a killed program leaves it. SQL runs on a
// connection of its own that is never closed cleanly: the file and its side
// files (-wal, -shm, -journal) are copied while that connection still holds
// them, so the copy is what a kill at that moment leaves on the disk.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>

namespace vorn::testing {

inline void copy_as_killed(const std::filesystem::path& file, const std::string& sql,
                           const std::filesystem::path& copy) {
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &raw), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(raw, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(raw);
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        const std::filesystem::path side(file.string() + suffix);
        if (std::filesystem::exists(side)) std::filesystem::copy_file(side, copy.string() + suffix);
    }
    if (sqlite3_get_autocommit(raw) == 0) sqlite3_exec(raw, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(raw);
}

}  // namespace vorn::testing
