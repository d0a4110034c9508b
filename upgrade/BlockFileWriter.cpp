#include "upgrade/BlockFileWriter.h"

#include "data/Errors.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace tessary {

namespace {

// Collected blocks are written once they reach this many bytes.
constexpr std::size_t FlushBytes = 8 << 20;

} // namespace

BlockFileWriter::BlockFileWriter(std::string path) : path_(std::move(path)) {
    // A symbolic link left at the name is removed itself; what it points to stays.
    if (::unlink(path_.c_str()) != 0 && errno != ENOENT) {
        Fail("cannot be replaced", errno);
    }
    if (!file_.Open(path_, O_WRONLY | O_CREAT | O_EXCL)) {
        Fail("cannot be created", errno);
    }
    pending_.reserve(FlushBytes);
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

void BlockFileWriter::Commit() {
    Flush();
    errno = 0;
    if (!file_.Sync()) {
        Fail("cannot be written to the disk", errno);
    }
    errno = 0;
    if (!file_.Close()) {
        Fail("cannot be closed", errno);
    }
}

void BlockFileWriter::Discard() {
    file_.Close();
    ::unlink(path_.c_str());
}

void BlockFileWriter::Flush() {
    if (pending_.empty()) {
        return;
    }
    WriteOut(pendingOffset_, pending_.data(), pending_.size());
    pending_.clear();
}

void BlockFileWriter::WriteOut(std::int64_t offset, const unsigned char* data, std::size_t n) {
    errno = 0;
    if (!file_.WriteAt(data, n, static_cast<off_t>(offset))) {
        Fail("cannot be written", errno);
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
