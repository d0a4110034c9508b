// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/OutputFile.h"

#include "data/FileError.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tessary {

namespace {

constexpr std::size_t BufferBytes = 1 << 20;

} // namespace

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        Fail("cannot be created");
    }
    buffer_.reserve(BufferBytes);
}

OutputFile::~OutputFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void OutputFile::Write(std::string_view bytes) {
    if (buffer_.size() + bytes.size() > BufferBytes) {
        Flush();
    }
    if (bytes.size() >= BufferBytes) {
        buffer_.assign(bytes);
        Flush();
        return;
    }
    buffer_.append(bytes);
}

void OutputFile::Close() {
    Flush();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        Fail("cannot be written");
    }
}

void OutputFile::Flush() {
    std::size_t done = 0;
    while (done < buffer_.size()) {
        const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            Fail("cannot be written");
        }
        done += static_cast<std::size_t>(n);
    }
    buffer_.clear();
}

void OutputFile::Fail(std::string_view what) {
    const int error = errno;
    throw FileError(path_, std::string(what) + " (" + std::strerror(error) + ")");
}

} // namespace tessary
