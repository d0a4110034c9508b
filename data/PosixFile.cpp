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

bool PosixFile::WriteAt(const void* data, std::size_t n, off_t offset) {
    const auto* p = static_cast<const char*>(data);
    while (n > 0) {
        const ssize_t w = ::pwrite(fd_, p, n, offset);
        if (w < 0 && errno == EINTR) {
            continue;
        }
        if (w <= 0) {
            return false;
        }
        p += w;
        n -= static_cast<std::size_t>(w);
        offset += w;
    }
    return fd_ >= 0;
}

bool PosixFile::Write(const void* data, std::size_t n) {
    const auto* p = static_cast<const char*>(data);
    while (n > 0) {
        const ssize_t w = ::write(fd_, p, n);
        if (w < 0 && errno == EINTR) {
            continue;
        }
        if (w <= 0) {
            return false;
        }
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return fd_ >= 0;
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
