#include "data/PosixFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessary {

PosixFile::~PosixFile() {
    Close();
}

bool PosixFile::Open(const std::string& path, int flags, mode_t mode) {
    Close();
    do {
        fd_ = ::open(path.c_str(), flags | O_CLOEXEC, mode);
    } while (fd_ < 0 && errno == EINTR);
    return fd_ >= 0;
}

namespace {

// Writes all n bytes through `put(pointer, count)`, which returns what write(2) or
// pwrite(2) returns; an interrupted call is repeated, one that makes no progress fails.
template <typename Put> bool WriteAll(const void* data, std::size_t n, Put&& put) {
    const auto* p = static_cast<const char*>(data);
    while (n > 0) {
        const ssize_t w = put(p, n);
        if (w < 0 && errno == EINTR) {
            continue;
        }
        if (w <= 0) {
            return false;
        }
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

} // namespace

bool PosixFile::WriteAt(const void* data, std::size_t n, off_t offset) {
    return fd_ >= 0 && WriteAll(data, n, [&](const char* p, std::size_t count) {
               const ssize_t w = ::pwrite(fd_, p, count, offset);
               offset += w > 0 ? w : 0;
               return w;
           });
}

bool PosixFile::Write(const void* data, std::size_t n) {
    return fd_ >= 0 && WriteAll(data, n, [&](const char* p, std::size_t count) {
               return ::write(fd_, p, count);
           });
}

bool PosixFile::WriteFileStart(const std::string& path, int flags, const void* data,
                               std::size_t n) {
    PosixFile file;
    if (!file.Open(path, flags)) {
        return false;
    }
    const bool written = file.WriteAt(data, n, 0);
    return file.Close() && written;
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
            return -1;
        }
        if (r == 0) {
            break;
        }
        done += static_cast<std::size_t>(r);
    }
    return static_cast<ssize_t>(done);
}

off_t PosixFile::Size() const {
    struct stat st {};
    return fd_ >= 0 && ::fstat(fd_, &st) == 0 ? st.st_size : -1;
}

bool PosixFile::Truncate(off_t length) {
    return fd_ >= 0 && ::ftruncate(fd_, length) == 0;
}

bool PosixFile::Sync() {
    return fd_ >= 0 && ::fsync(fd_) == 0;
}

bool PosixFile::Close() {
    if (fd_ < 0) {
        return true;
    }
    const int fd = fd_;
    fd_ = -1;
    // Linux releases the descriptor even when close reports EINTR; retrying could close a
    // descriptor that another open has since been given.
    return ::close(fd) == 0;
}

} // namespace tessary
