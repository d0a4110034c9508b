// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/TemporaryOutput.h"

#include "data/FileError.h"
#include "settings/TemporaryFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessary {

namespace {

[[noreturn]] void Fail(const std::string& path, const char* what, int error) {
    throw FileError(path, std::string(what) + " (" + std::strerror(error) + ")");
}

} // namespace

TemporaryOutput::TemporaryOutput(const std::string& path) : path_(path) {
    target_ = ReplacedFile(path);
    if (target_.empty()) {
        Fail(path_, "cannot be written: its link cannot be followed", errno);
    }
    struct stat earlier {};
    const bool exists = ::stat(target_.c_str(), &earlier) == 0;
    if (exists && !S_ISREG(earlier.st_mode)) {
        throw FileError(path_, "cannot be written: it is not a regular file");
    }
    if (exists && ::access(target_.c_str(), W_OK) != 0) {
        Fail(path_, "cannot be written", errno);
    }
    const int fd = CreateTemporaryBeside(target_, temporary_);
    if (fd < 0) {
        Fail(path_, "cannot be created", errno);
    }
    const bool moded = !exists || ::fchmod(fd, earlier.st_mode & 07777) == 0;
    const int error = errno;
    ::close(fd);
    if (!moded) {
        ::unlink(temporary_.c_str());
        Fail(path_, "cannot be created", error);
    }
}

TemporaryOutput::~TemporaryOutput() {
    if (!committed_) {
        ::unlink(temporary_.c_str());
    }
}

void TemporaryOutput::Commit() {
    const int fd = ::open(temporary_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        Fail(path_, "cannot be written", errno);
    }
    const bool synced = ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    if (!synced) {
        Fail(path_, "cannot be written", error);
    }
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        Fail(path_, "cannot take the place of the earlier file", errno);
    }
    committed_ = true;
    SyncFolderOf(target_);
}

} // namespace tessary
