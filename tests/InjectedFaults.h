// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// File faults played through the writers' seam (data/FileFaults.h): a disk that fills up, a
// file-size limit, a disk full for a moment, a short write, a failing sync.
#include "data/FileFaults.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace tessary::testing {

// Installed for its life. Counts the bytes that writes add to their files, as a full disk or a
// file-size limit does (bytes written over ones the file already has always pass): lets
// `passBytes` of them through (a write that crosses the mark is cut short there), then fails
// `failures` writes with `error` (-1: every later one), after which writes pass again. A sync
// fails with `syncError` when that is set.
class InjectedFaults : public FileFaults {
public:
    InjectedFaults(std::int64_t passBytes, int error, int failures = -1)
        : passBytes_(passBytes), error_(error), failures_(failures) {
        FileFaults::Install(this);
    }
    ~InjectedFaults() override { Remove(); }
    InjectedFaults(const InjectedFaults&) = delete;
    InjectedFaults& operator=(const InjectedFaults&) = delete;

    void Remove() {
        if (FileFaults::Installed() == this) {
            FileFaults::Install(nullptr);
        }
    }

    std::int64_t BeforeWrite(int fd, std::int64_t offset, std::size_t n, int& error) override {
        std::lock_guard lock(mutex_);
        struct stat status {};
        const std::int64_t size = ::fstat(fd, &status) == 0 ? status.st_size : 0;
        const std::int64_t at = offset >= 0 ? offset : AppendPosition(fd, size);
        const auto bytes = static_cast<std::int64_t>(n);
        const std::int64_t inside = std::clamp<std::int64_t>(size - at, 0, bytes);
        const std::int64_t growth = bytes - inside;
        if (failures_ == 0 || passed_ + growth <= passBytes_) {
            passed_ += growth;
            return bytes;
        }
        if (passed_ < passBytes_ || inside > 0) {
            const std::int64_t rest = inside + std::max<std::int64_t>(passBytes_ - passed_, 0);
            passed_ = std::max(passed_, passBytes_);
            return rest;
        }
        if (failures_ > 0) {
            --failures_;
        }
        ++failed_;
        error = error_;
        return -1;
    }
    int BeforeSync() override {
        std::lock_guard lock(mutex_);
        return syncError_;
    }

    void FailSyncs(int error) {
        std::lock_guard lock(mutex_);
        syncError_ = error;
    }
    int Failed() {
        std::lock_guard lock(mutex_);
        return failed_;
    }

private:
    static std::int64_t AppendPosition(int fd, std::int64_t size) {
        const int flags = ::fcntl(fd, F_GETFL);
        return flags >= 0 && (flags & O_APPEND) != 0 ? size : ::lseek(fd, 0, SEEK_CUR);
    }

    std::mutex mutex_;
    std::int64_t passBytes_;
    int error_;
    int failures_;
    std::int64_t passed_ = 0;
    int failed_ = 0;
    int syncError_ = 0;
};

// Every write past `bytes` more fails with ENOSPC.
struct DiskFullAfter : InjectedFaults {
    explicit DiskFullAfter(std::int64_t bytes) : InjectedFaults(bytes, ENOSPC) {}
};

} // namespace tessary::testing
