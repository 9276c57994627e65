// Test support: an SQLite VFS over the system's own whose writes can be
// made to fail as on a full disk. While installed it is the default VFS, so
// every Database opened meanwhile goes through it.
#pragma once

#include <sqlite3.h>

#include <atomic>
#include <cstring>

namespace vorn::testing {

class FailingVfs {
public:
    // While true, every write to a database, journal or WAL file fails
    // with SQLITE_FULL.
    static inline std::atomic<bool> disk_full{false};

    FailingVfs() {
        real_ = sqlite3_vfs_find(nullptr);
        vfs_ = *real_;
        vfs_.zName = "vorn_failing";
        vfs_.szOsFile = static_cast<int>(sizeof(File)) + real_->szOsFile;
        vfs_.pAppData = real_;
        vfs_.xOpen = &FailingVfs::open;
        sqlite3_vfs_register(&vfs_, 1);
    }
    ~FailingVfs() {
        disk_full = false;
        sqlite3_vfs_unregister(&vfs_);
        sqlite3_vfs_register(real_, 1);
    }
    FailingVfs(const FailingVfs&) = delete;
    FailingVfs& operator=(const FailingVfs&) = delete;

private:
    struct File {
        sqlite3_file base;
        sqlite3_file* real;
    };

    static sqlite3_file* real_of(sqlite3_file* file) { return reinterpret_cast<File*>(file)->real; }

    static int open(sqlite3_vfs* vfs, sqlite3_filename name, sqlite3_file* file, int flags, int* out_flags) {
        auto* real_vfs = static_cast<sqlite3_vfs*>(vfs->pAppData);
        auto* wrapper = reinterpret_cast<File*>(file);
        wrapper->real = reinterpret_cast<sqlite3_file*>(wrapper + 1);
        int rc = real_vfs->xOpen(real_vfs, name, wrapper->real, flags, out_flags);
        if (wrapper->real->pMethods == nullptr) {
            wrapper->base.pMethods = nullptr;
            return rc;
        }
        methods_for(wrapper->real->pMethods);
        wrapper->base.pMethods = &methods_;
        return rc;
    }

    static void methods_for(const sqlite3_io_methods* real) {
        methods_ = *real;
        methods_.xClose = [](sqlite3_file* f) {
            sqlite3_file* r = real_of(f);
            return r->pMethods->xClose(r);
        };
        methods_.xRead = [](sqlite3_file* f, void* buf, int n, sqlite3_int64 off) {
            sqlite3_file* r = real_of(f);
            return r->pMethods->xRead(r, buf, n, off);
        };
        methods_.xWrite = [](sqlite3_file* f, const void* buf, int n, sqlite3_int64 off) {
            if (disk_full) return SQLITE_FULL;
            sqlite3_file* r = real_of(f);
            return r->pMethods->xWrite(r, buf, n, off);
        };
        methods_.xTruncate = [](sqlite3_file* f, sqlite3_int64 size) {
            sqlite3_file* r = real_of(f);
            return r->pMethods->xTruncate(r, size);
        };
        methods_.xSync = [](sqlite3_file* f, int flags) {
            sqlite3_file* r = real_of(f);
            return r->pMethods->xSync(r, flags);
        };
        methods_.xFileSize = [](sqlite3_file* f, sqlite3_int64* size) {
            sqlite3_file* r = real_of(f);
            return r->pMethods->xFileSize(r, size);
        };
        methods_.xLock = [](sqlite3_file* f, int lock) {
            sqlite3_file* r = real_of(f);
            return r->pMethods->xLock(r, lock);
        };
        methods_.xUnlock = [](sqlite3_file* f, int lock) {
            sqlite3_file* r = real_of(f);
            return r->pMethods->xUnlock(r, lock);
        };
        methods_.xCheckReservedLock = [](sqlite3_file* f, int* out) {
            sqlite3_file* r = real_of(f);
            return r->pMethods->xCheckReservedLock(r, out);
        };
        methods_.xFileControl = [](sqlite3_file* f, int op, void* arg) {
            sqlite3_file* r = real_of(f);
            return r->pMethods->xFileControl(r, op, arg);
        };
        methods_.xSectorSize = [](sqlite3_file* f) {
            sqlite3_file* r = real_of(f);
            return r->pMethods->xSectorSize(r);
        };
        methods_.xDeviceCharacteristics = [](sqlite3_file* f) {
            sqlite3_file* r = real_of(f);
            return r->pMethods->xDeviceCharacteristics(r);
        };
        if (real->iVersion >= 2) {
            methods_.xShmMap = [](sqlite3_file* f, int page, int size, int extend, void volatile** out) {
                sqlite3_file* r = real_of(f);
                return r->pMethods->xShmMap(r, page, size, extend, out);
            };
            methods_.xShmLock = [](sqlite3_file* f, int offset, int n, int flags) {
                sqlite3_file* r = real_of(f);
                return r->pMethods->xShmLock(r, offset, n, flags);
            };
            methods_.xShmBarrier = [](sqlite3_file* f) {
                sqlite3_file* r = real_of(f);
                r->pMethods->xShmBarrier(r);
            };
            methods_.xShmUnmap = [](sqlite3_file* f, int del) {
                sqlite3_file* r = real_of(f);
                return r->pMethods->xShmUnmap(r, del);
            };
        }
        if (real->iVersion >= 3) {
            // Memory-mapped reads would bypass the wrapper's file; none here.
            methods_.iVersion = 2;
        }
    }

    static inline sqlite3_io_methods methods_{};
    sqlite3_vfs* real_;
    sqlite3_vfs vfs_{};
};

}  // namespace vorn::testing
