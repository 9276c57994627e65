// Test support: an SQLite VFS over the system's own whose writes can be
// made to fail as on a full disk. While installed it is the default VFS, so
// every Database opened meanwhile goes through it.
#pragma once

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <type_traits>

namespace vorn::testing {

class FailingVfs {
public:
    // While true, every write to a database, journal or WAL file fails with SQLITE_FULL.
    static inline std::atomic<bool> disk_full{false};
    // When not negative: that many more writes succeed, then the disk is full.
    static inline std::atomic<int> writes_until_full{-1};

    FailingVfs() : real_(sqlite3_vfs_find(nullptr)), vfs_(*real_) {
        vfs_.zName = "vorn_failing";
        vfs_.szOsFile = static_cast<int>(sizeof(File)) + real_->szOsFile;
        vfs_.pAppData = real_;
        vfs_.xOpen = &FailingVfs::open;
        sqlite3_vfs_register(&vfs_, 1);
    }
    ~FailingVfs() {
        disk_full = false;
        writes_until_full = -1;
        sqlite3_vfs_unregister(&vfs_);
        sqlite3_vfs_register(real_, 1);
    }
    FailingVfs(const FailingVfs&) = delete;
    FailingVfs& operator=(const FailingVfs&) = delete;

private:
    // Our file is a wrapper followed by the real VFS's file.
    struct File {
        sqlite3_file base;
        sqlite3_file* real;
    };

    // Passes a call on to the same method of the wrapped file.
    template <typename Method>
    struct Forward;
    template <typename R, typename... A>
    struct Forward<R (*)(sqlite3_file*, A...)> {
        template <R (*sqlite3_io_methods::*M)(sqlite3_file*, A...)>
        static R call(sqlite3_file* f, A... a) {
            sqlite3_file* r = reinterpret_cast<File*>(f)->real;
            return (r->pMethods->*M)(r, a...);
        }
    };
    template <auto M>
    static void forward() {
        methods_.*M = &Forward<std::remove_reference_t<decltype(methods_.*M)>>::template call<M>;
    }

    static int open(sqlite3_vfs* vfs, sqlite3_filename name, sqlite3_file* file, int flags, int* out_flags) {
        auto* real_vfs = static_cast<sqlite3_vfs*>(vfs->pAppData);
        auto* wrapper = reinterpret_cast<File*>(file);
        wrapper->real = reinterpret_cast<sqlite3_file*>(wrapper + 1);
        const int rc = real_vfs->xOpen(real_vfs, name, wrapper->real, flags, out_flags);
        wrapper->base.pMethods = nullptr;
        if (wrapper->real->pMethods == nullptr) return rc;
        methods_ = *wrapper->real->pMethods;
        // Memory-mapped reads would bypass the wrapper; version 2 has none.
        methods_.iVersion = std::min(methods_.iVersion, 2);
        using M = sqlite3_io_methods;
        forward<&M::xClose>(); forward<&M::xRead>(); forward<&M::xTruncate>(); forward<&M::xSync>();
        forward<&M::xFileSize>(); forward<&M::xLock>(); forward<&M::xUnlock>(); forward<&M::xCheckReservedLock>();
        forward<&M::xFileControl>(); forward<&M::xSectorSize>(); forward<&M::xDeviceCharacteristics>();
        forward<&M::xShmMap>(); forward<&M::xShmLock>(); forward<&M::xShmBarrier>(); forward<&M::xShmUnmap>();
        methods_.xWrite = [](sqlite3_file* f, const void* buf, int n, sqlite3_int64 off) {
            sqlite3_file* r = reinterpret_cast<File*>(f)->real;
            if (writes_until_full >= 0 && writes_until_full-- == 0) disk_full = true;
            return disk_full ? SQLITE_FULL : r->pMethods->xWrite(r, buf, n, off);
        };
        wrapper->base.pMethods = &methods_;
        return rc;
    }

    static inline sqlite3_io_methods methods_{};
    sqlite3_vfs* real_;
    sqlite3_vfs vfs_;
};

}  // namespace vorn::testing
