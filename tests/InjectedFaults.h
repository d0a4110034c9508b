#pragma once

// File faults played through the writers' seam (data/FileFaults.h): a disk that fills up, a
// file-size limit, a disk full for a moment, a short write, a failing sync.
#include "data/FileFaults.h"

#include <cerrno>
#include <cstdint>
#include <mutex>

namespace tessary::testing {

// Installed for its life. Lets `passBytes` bytes through (a write that crosses the mark is cut
// short there), then fails `failures` writes with `error` (-1: every later one), after which
// writes pass again. A sync fails with `syncError` when that is set.
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

    std::int64_t BeforeWrite(std::size_t n, int& error) override {
        std::lock_guard lock(mutex_);
        const auto bytes = static_cast<std::int64_t>(n);
        if (failures_ == 0 || passed_ + bytes <= passBytes_) {
            passed_ += bytes;
            return bytes;
        }
        if (passed_ < passBytes_) {
            const std::int64_t rest = passBytes_ - passed_;
            passed_ = passBytes_;
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
