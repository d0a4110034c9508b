#pragma once

#include <cstddef>
#include <string>
#include <sys/types.h>

namespace tessary {

// One file descriptor, opened and closed within one operation. The destructor closes what
// is still open, so every path out of an operation closes the file; Close() reports whether
// the last buffered data reached the file.
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
    // failure, including a short write that makes no progress.
    bool WriteAt(const void* data, std::size_t n, off_t offset);
    bool Write(const void* data, std::size_t n);

    // Opens `path` with `flags`, writes the n bytes at its start and closes it; false on any
    // failure. For whole headers, which are written in one piece.
    static bool WriteFileStart(const std::string& path, int flags, const void* data, std::size_t n);

    // Reads up to n bytes, fewer only at the end of the file; -1 on an error.
    ssize_t Read(void* data, std::size_t n);

    // Current length of the file, -1 on an error; Truncate cuts it back to `length`.
    off_t Size() const;
    bool Truncate(off_t length);

    // Forces written data to the disk.
    bool Sync();

    // Closes the file; false when closing reports an error. A closed file stays closed.
    bool Close();

private:
    int fd_ = -1;
};

} // namespace tessary
