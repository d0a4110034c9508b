// SPDX-License-Identifier: GPL-3.0-or-later
#include "upgrade/BlockFileWriter.h"

#include "data/Errors.h"
#include "data/FileNames.h"
#include "settings/TemporaryFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace tessary {

namespace {

// Collected blocks are written once they reach this many bytes, small enough to be still in
// the processor's cache when they are handed to the file.
constexpr std::size_t FlushBytes = 1 << 20;

// After this many bytes the disk is asked to start writing them, without waiting.
constexpr std::int64_t WritebackBytes = 32 << 20;

} // namespace

BlockFileWriter::BlockFileWriter(const std::string& beside) {
    fd_ = CreateTemporaryBeside(beside, path_);
    if (fd_ < 0) {
        const int error = errno;
        const std::string folder = FolderPart(beside);
        throw InOutError("No temporary file can be created in the folder " +
                         (folder.empty() ? std::string("./") : folder) + " of " + beside + ": " +
                         std::generic_category().message(error));
    }
    pending_.reserve(FlushBytes);
}

BlockFileWriter::~BlockFileWriter() {
    Close();
}

void BlockFileWriter::Write(std::int64_t offset, std::span<const unsigned char> block) {
    if (!pending_.empty() &&
        offset != pendingOffset_ + static_cast<std::int64_t>(pending_.size())) {
        Flush();
    }
    if (pending_.empty()) {
        pendingOffset_ = offset;
        if (block.size() >= FlushBytes) {
            WriteOut(offset, block.data(), block.size());
            return;
        }
    }
    pending_.insert(pending_.end(), block.begin(), block.end());
    if (pending_.size() >= FlushBytes) {
        Flush();
    }
}

void BlockFileWriter::Commit(const std::string& like) {
    Flush();
    struct stat status {};
    if (::stat(like.c_str(), &status) != 0) {
        Fail("cannot take the permissions of " + like, errno);
    }
    // Giving a file away needs the right to; the permission bits are always ours to set.
    if (::fchown(fd_, status.st_uid, status.st_gid) != 0) {
        errno = 0;
    }
    if (::fchmod(fd_, status.st_mode & 07777) != 0) {
        Fail("cannot take the permissions of " + like, errno);
    }
    if (::fsync(fd_) != 0) {
        Fail("cannot be written to the disk", errno);
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        Fail("cannot be closed", errno);
    }
}

void BlockFileWriter::Discard() {
    Close();
    ::unlink(path_.c_str());
}

void BlockFileWriter::Flush() {
    if (!pending_.empty()) {
        WriteOut(pendingOffset_, pending_.data(), pending_.size());
        pending_.clear();
    }
}

void BlockFileWriter::WriteOut(std::int64_t offset, const unsigned char* data, std::size_t n) {
    unsynced_ += static_cast<std::int64_t>(n);
    while (n > 0) {
        const ssize_t w = ::pwrite(fd_, data, n, static_cast<off_t>(offset));
        if (w < 0 && errno == EINTR) {
            continue;
        }
        if (w <= 0) {
            Fail("cannot be written", w < 0 ? errno : 0);
        }
        data += w;
        n -= static_cast<std::size_t>(w);
        offset += w;
    }
    if (unsynced_ >= WritebackBytes) {
        // Only a start: errors of the writing are reported by the fsync of Commit.
        ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
        unsynced_ = 0;
    }
}

void BlockFileWriter::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

void BlockFileWriter::Fail(const std::string& what, int error) const {
    std::string message = "The file " + path_ + " " + what;
    if (error != 0) {
        message += ": " + std::generic_category().message(error);
    }
    throw InOutError(message);
}

} // namespace tessary
