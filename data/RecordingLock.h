// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace tessary {

// The advisory lock that a recording holds on its data file for the whole run, so that a
// second recording, a repair or a reader can tell that the file is being written.
//
// It is an open-file-description lock on the whole file: it belongs to the descriptor this
// object keeps open, so the writers' own opens and closes of the file during the run never
// release it (a classic record lock would be dropped by the first close of any descriptor of
// the file in the process), and two objects of one process exclude each other as two
// processes do. The lock ends with the object, or when the process ends in any way, so a
// killed recording leaves no stale lock.
class RecordingLock {
public:
    RecordingLock() = default;
    ~RecordingLock();
    RecordingLock(RecordingLock&& other) noexcept;
    RecordingLock& operator=(RecordingLock&& other) noexcept;
    RecordingLock(const RecordingLock&) = delete;
    RecordingLock& operator=(const RecordingLock&) = delete;

    enum class Result { Taken, HeldByAnother, Failed };

    // Opens the file at `path` for writing, creating it when missing unless `create` is false
    // (never emptying it), and takes the lock. Unless Taken, nothing is held; Failed sets `why`
    // to the system's reason.
    Result Acquire(const std::string& path, std::string& why, bool create = true);
    void Release();
    bool Held() const { return fd_ >= 0; }

    // The locked file's descriptor (open for reading and writing), -1 when none is held.
    int Descriptor() const { return fd_; }

    // Whether a recording holds the lock on the file at `path` now. A missing or unreadable
    // file is not being recorded.
    static bool IsRecording(const std::string& path);

private:
    int fd_ = -1;
};

} // namespace tessary
