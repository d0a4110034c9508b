// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/PosixFile.h"

#include "data/FileFaults.h"
#include "data/FileNames.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace tessary {

PosixFile::~PosixFile() {
    Close();
}

bool PosixFile::Fail() {
    error_ = errno;
    return false;
}

bool PosixFile::Open(const std::string& path, int flags, mode_t mode) {
    Close();
    do {
        fd_ = ::open(path.c_str(), flags | O_CLOEXEC, mode);
    } while (fd_ < 0 && errno == EINTR);
    return fd_ >= 0 || Fail();
}

namespace {

// Writes all n bytes through `put(pointer, count)`, which returns what write(2) or
// pwrite(2) returns; an interrupted call is repeated, one that makes no progress fails. An
// installed FileFaults may cut a write short or fail it first; `where()` tells it the offset.
template <typename Put, typename Where>
bool WriteAll(int fd, const void* data, std::size_t n, Put&& put, Where&& where) {
    const auto* p = static_cast<const char*>(data);
    while (n > 0) {
        std::size_t count = n;
        if (FileFaults* faults = FileFaults::Installed()) {
            int error = 0;
            const std::int64_t allowed = faults->BeforeWrite(fd, where(), n, error);
            if (allowed < 0) {
                errno = error;
                return false;
            }
            count = static_cast<std::size_t>(allowed) < n ? static_cast<std::size_t>(allowed) : n;
        }
        const ssize_t w = count == 0 ? 0 : put(p, count);
        if (w < 0 && errno == EINTR) {
            continue;
        }
        if (w <= 0) {
            if (w == 0) {
                errno = ENOSPC;
            }
            return false;
        }
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

bool SyncFailsByFault() {
    FileFaults* faults = FileFaults::Installed();
    const int error = faults != nullptr ? faults->BeforeSync() : 0;
    if (error != 0) {
        errno = error;
        return true;
    }
    return false;
}

} // namespace

bool PosixFile::WriteAt(const void* data, std::size_t n, off_t offset) {
    if (fd_ < 0) {
        error_ = EBADF;
        return false;
    }
    return WriteAll(
               fd_, data, n,
               [&](const char* p, std::size_t count) {
                   const ssize_t w = ::pwrite(fd_, p, count, offset);
                   offset += w > 0 ? w : 0;
                   return w;
               },
               [&] { return static_cast<std::int64_t>(offset); }) ||
           Fail();
}

bool PosixFile::Write(const void* data, std::size_t n) {
    if (fd_ < 0) {
        error_ = EBADF;
        return false;
    }
    return WriteAll(
               fd_, data, n,
               [&](const char* p, std::size_t count) { return ::write(fd_, p, count); },
               [] { return std::int64_t{-1}; }) ||
           Fail();
}

bool PosixFile::WriteFileStart(const std::string& path, int flags, const void* data, std::size_t n,
                               bool durable, int& error) {
    PosixFile file;
    bool written = file.Open(path, flags) && file.WriteAt(data, n, 0);
    written = written && (!durable || file.DataSync());
    error = file.LastError();
    if (!file.Close() && written) {
        error = file.LastError();
        written = false;
    }
    return written;
}

ssize_t PosixFile::Read(void* data, std::size_t n) {
    auto* p = static_cast<char*>(data);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t r = ::read(fd_, p + done, n - done);
        if (r < 0 && errno == EINTR) {
            continue;
        }
        if (r < 0) {
            Fail();
            return -1;
        }
        if (r == 0) {
            break;
        }
        done += static_cast<std::size_t>(r);
    }
    return static_cast<ssize_t>(done);
}

off_t PosixFile::Size() {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) {
        Fail();
        return -1;
    }
    return st.st_size;
}

bool PosixFile::Truncate(off_t length) {
    return (fd_ >= 0 && ::ftruncate(fd_, length) == 0) || Fail();
}

bool PosixFile::Sync() {
    return (fd_ >= 0 && !SyncFailsByFault() && ::fsync(fd_) == 0) || Fail();
}

bool PosixFile::DataSync() {
    return (fd_ >= 0 && !SyncFailsByFault() && ::fdatasync(fd_) == 0) || Fail();
}

bool PosixFile::Close() {
    if (fd_ < 0) {
        return true;
    }
    const int fd = fd_;
    fd_ = -1;
    // Linux releases the descriptor even when close reports EINTR; retrying could close a
    // descriptor that another open has since been given.
    return ::close(fd) == 0 || Fail();
}

std::string PosixFile::ReasonOf(int error) {
    return std::generic_category().message(error);
}

bool PosixFile::SyncFolder(const std::string& path, int& error) {
    const std::string folder = FolderPart(path);
    PosixFile dir;
    const bool synced =
        dir.Open(folder.empty() ? "." : folder, O_RDONLY | O_DIRECTORY) && dir.Sync();
    error = dir.LastError();
    return synced;
}

} // namespace tessary
