// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/RecordingLock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace tessary {

namespace {

struct flock WholeFile(short type) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0; // to the end, however far the file grows
    return lock;
}

} // namespace

RecordingLock::~RecordingLock() {
    Release();
}

RecordingLock::RecordingLock(RecordingLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

RecordingLock& RecordingLock::operator=(RecordingLock&& other) noexcept {
    if (this != &other) {
        Release();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

RecordingLock::Result RecordingLock::Acquire(const std::string& path, std::string& why,
                                             bool create) {
    Release();
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0666);
    if (fd < 0) {
        why = std::strerror(errno);
        return Result::Failed;
    }
    struct flock lock = WholeFile(F_WRLCK);
    if (::fcntl(fd, F_OFD_SETLK, &lock) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EAGAIN || error == EACCES) {
            return Result::HeldByAnother;
        }
        why = std::strerror(error);
        return Result::Failed;
    }
    fd_ = fd;
    return Result::Taken;
}

void RecordingLock::Release() {
    if (fd_ >= 0) {
        ::close(fd_); // closing the last descriptor of the description ends its lock
        fd_ = -1;
    }
}

bool RecordingLock::IsRecording(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct flock lock = WholeFile(F_WRLCK);
    const bool held = ::fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
    ::close(fd);
    return held;
}

} // namespace tessary
