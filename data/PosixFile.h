// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <sys/types.h>

namespace tessary {

// One file descriptor, opened and closed within one operation. The destructor closes what
// is still open, so every path out of an operation closes the file; Close() reports whether
// the last buffered data reached the file. Every failure keeps the system's error, so that a
// message can give the reason (Reason()).
class PosixFile {
public:
    PosixFile() = default;
    ~PosixFile();
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    // open(2) with the given flags; false when it fails.
    bool Open(const std::string& path, int flags, mode_t mode = 0666);
    bool IsOpen() const { return fd_ >= 0; }
    int Descriptor() const { return fd_; }

    // Writes all n bytes at `offset`, or all n bytes at the current position; false on any
    // failure, including a short write that makes no progress (kept as ENOSPC, which is what
    // a regular file that takes no more bytes means).
    bool WriteAt(const void* data, std::size_t n, off_t offset);
    bool Write(const void* data, std::size_t n);

    // Opens `path` with `flags`, writes the n bytes at its start, forces them to the disk when
    // `durable`, and closes it; false on any failure, with the system's error in `error`. For
    // whole headers, which are written in one piece.
    static bool WriteFileStart(const std::string& path, int flags, const void* data, std::size_t n,
                               bool durable, int& error);

    // Reads up to n bytes, fewer only at the end of the file; -1 on an error.
    ssize_t Read(void* data, std::size_t n);

    // Current length of the file, -1 on an error; Truncate cuts it back to `length`.
    off_t Size();
    bool Truncate(off_t length);

    // Forces written data and the file's metadata to the disk (fsync); DataSync only what is
    // needed to read the data back (fdatasync: the length, not the times).
    bool Sync();
    bool DataSync();

    // Closes the file; false when closing reports an error. A closed file stays closed.
    bool Close();

    // The system's error of the last failure (0 when none failed), and its text.
    int LastError() const { return error_; }
    std::string Reason() const { return ReasonOf(error_); }
    static std::string ReasonOf(int error);

    // Forces the folder that holds `path` to the disk, so that a file created or renamed in it
    // is found after a power loss. False with `error` set when that fails.
    static bool SyncFolder(const std::string& path, int& error);

private:
    bool Fail();

    int fd_ = -1;
    int error_ = 0;
};

} // namespace tessary
