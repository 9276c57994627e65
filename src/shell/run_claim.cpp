#include "shell/run_claim.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "shell/record_store.h"

extern "C" {
#include <sqlite3.h>
}

namespace vorn {

namespace {

int open_for_claim(const char* path) {
    if (path == nullptr || *path == '\0') return -1;
    int fd = -1;
    do {
        fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

}  // namespace

RunClaim::RunClaim(Database& db) {
    // SQLite's own name for the file (symbolic links resolved), so every
    // program on the file locks the same inode.
    const sqlite3_filename name = sqlite3_db_filename(db.handle(), "main");
    if (name == nullptr || *name == '\0') {
        held_ = true;  // a database in memory has no other program
        return;
    }
    // The lock goes on the write-ahead log, not on the database file:
    // closing any descriptor of a file drops every POSIX lock the process
    // holds on it, and SQLite keeps its locks on the database file (and
    // the -shm), never on the log. The log exists while any connection
    // is open, so no other program can replace it under a held claim; it
    // is created by the first read, which the claim makes when needed.
    const char* wal = sqlite3_filename_wal(name);
    fd_ = open_for_claim(wal);
    if (fd_ < 0 && errno == ENOENT) {
        db.query_bound("SELECT count(*) FROM sqlite_master", {});
        fd_ = open_for_claim(wal);
    }
    if (fd_ < 0) {
        // No log (a database SQLite could not put in WAL mode, or one this
        // program may only read): nothing to lock, and nothing to wait for.
        held_ = true;
        return;
    }
    int rc = 0;
    do {
        rc = ::flock(fd_, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    // A file system without flock() cannot tell; it must not stop the run.
    held_ = rc == 0 || errno != EWOULDBLOCK;
}

RunClaim::~RunClaim() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace vorn
