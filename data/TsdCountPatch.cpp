// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/TsdCountPatch.h"

#include "data/Errors.h"
#include "data/FileNames.h"
#include "data/FileRangeCopy.h"
#include "data/PosixFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessary {

namespace {

// After this many bytes copied the disk is asked to start writing them, without waiting, so that
// little is left for the sync at the end.
constexpr std::int64_t WritebackBytes = std::int64_t{32} << 20;

[[noreturn]] void Fail(const std::string& what, int error) {
    throw InOutError(what + " (" + PosixFile::ReasonOf(error) + ")");
}

// Copies bytes [from, to) of `in` to `out` from offset `at` on, asking the disk to start
// writing each piece once it is copied. False with errno set on a failure.
bool CopyRange(int in, int out, std::int64_t from, std::int64_t to, std::int64_t at) {
    while (from < to) {
        const std::int64_t piece = std::min(to - from, WritebackBytes);
        const int error = CopyFileRange(in, from, out, at, piece);
        if (error != 0) {
            errno = error == ENODATA ? EIO : error; // ENODATA: the file ended before its blocks
            return false;
        }
        // Only a start: errors of the writing are reported by the sync at the end.
        ::sync_file_range(out, at, piece, SYNC_FILE_RANGE_WRITE);
        from += piece;
        at += piece;
    }
    return true;
}

// Gives the finished copy the file's owner (where the system allows) and permission bits,
// forces it to the disk, and puts it in the file's place; the folder follows to the disk.
void Replace(const std::string& path, const std::string& copy, PosixFile& out,
             const struct stat& status) {
    const auto failCopy = [&](int error) {
        out.Close();
        ::unlink(copy.c_str());
        Fail("The copy " + copy + " of " + path + " cannot be written", error);
    };
    // The owner may be kept only with the right to give files away; the bits always.
    if (::fchown(out.Descriptor(), status.st_uid, status.st_gid) != 0) {
        errno = 0;
    }
    if (::fchmod(out.Descriptor(), status.st_mode & 07777) != 0) {
        failCopy(errno);
    }
    if (!out.DataSync() || !out.Close()) {
        failCopy(out.LastError());
    }
    if (std::rename(copy.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(copy.c_str());
        Fail("The copy " + copy + " cannot replace " + path, error);
    }
    int error = 0;
    if (!PosixFile::SyncFolder(path, error)) {
        Fail("The folder of " + path + " cannot be written to the disk", error);
    }
}

void PatchInPlace(const std::string& path, const TsdBlockIndex& index, const std::string& count,
                  std::int64_t keepEnd) {
    PosixFile file;
    if (!file.Open(path, O_WRONLY)) {
        Fail("The file " + path + " cannot be opened for writing", file.LastError());
    }
    const off_t size = file.Size();
    const bool done = size >= 0 &&
                      file.WriteAt(count.data(), count.size(), index.CountLineOffset) &&
                      (size <= keepEnd || file.Truncate(keepEnd)) && file.DataSync();
    if (!done || !file.Close()) {
        Fail("The burst count of " + path + " cannot be written", file.LastError());
    }
}

void PatchThroughCopy(const std::string& path, const TsdBlockIndex& index, const std::string& count,
                      std::int64_t keepEnd) {
    const std::string copy = TsdCountPatch::CopyPath(path);
    if (copy == path) {
        throw InOutError("The file " + path +
                         " cannot be finished through a copy: the copy would be the file itself");
    }
    PosixFile in;
    struct stat status {};
    if (!in.Open(path, O_RDONLY)) {
        Fail("The file " + path + " cannot be read", in.LastError());
    }
    if (::fstat(in.Descriptor(), &status) != 0) {
        Fail("The file " + path + " cannot be examined", errno);
    }
    PosixFile out;
    if (!out.Open(copy, O_WRONLY | O_CREAT | O_TRUNC, status.st_mode & 07777)) {
        Fail("The copy " + copy + " of " + path + " cannot be created", out.LastError());
    }
    const std::int64_t after = index.CountLineOffset + index.CountLineBytes;
    const auto length = static_cast<std::int64_t>(count.size());
    errno = 0;
    const bool copied = CopyRange(in.Descriptor(), out.Descriptor(), 0, index.CountLineOffset, 0) &&
                        out.WriteAt(count.data(), count.size(), index.CountLineOffset) &&
                        CopyRange(in.Descriptor(), out.Descriptor(), after, keepEnd,
                                  index.CountLineOffset + length);
    if (!copied) {
        const int error = out.LastError() != 0 ? out.LastError() : errno;
        out.Close();
        ::unlink(copy.c_str());
        Fail("The copy " + copy + " of " + path + " cannot be written", error);
    }
    Replace(path, copy, out, status);
}

} // namespace

std::string TsdCountPatch::CopyPath(const std::string& path) {
    return ReplaceExtension(path, ".$$$");
}

TsdCountPatch::Way TsdCountPatch::Apply(const std::string& path, const TsdBlockIndex& index,
                                        std::int64_t bursts, std::int64_t keepEnd) {
    if (index.CountLineOffset < 0) {
        throw InOutError("The file " + path + " has no burst-count line to correct");
    }
    const std::string count = std::to_string(bursts);
    if (static_cast<std::int64_t>(count.size()) == index.CountLineBytes) {
        PatchInPlace(path, index, count, keepEnd);
        return Way::InPlace;
    }
    PatchThroughCopy(path, index, count, keepEnd);
    return Way::Copied;
}

TsdCountPatch::Early::Early(const std::string& path, const TsdBlockIndex& header,
                            std::size_t digits)
    : path_(path), copy_(CopyPath(path)), digits_(digits), countOffset_(header.CountLineOffset),
      countEnd_(header.CountLineOffset + header.CountLineBytes) {
    if (copy_ == path_ || countOffset_ < 0 || !in_.Open(path_, O_RDONLY) ||
        ::fstat(in_.Descriptor(), &status_) != 0 ||
        !out_.Open(copy_, O_WRONLY | O_CREAT | O_TRUNC, status_.st_mode & 07777)) {
        return; // Finish then goes the plain way, which reports what fails
    }
    size_ = status_.st_size;
    started_ = true;
    thread_ = std::thread([this] {
        copied_ = CopyRange(in_.Descriptor(), out_.Descriptor(), countEnd_, size_,
                            countOffset_ + static_cast<std::int64_t>(digits_));
    });
}

TsdCountPatch::Early::~Early() {
    if (thread_.joinable()) {
        thread_.join();
    }
    if (!done_) {
        Discard();
    }
}

void TsdCountPatch::Early::Discard() {
    if (out_.IsOpen()) {
        out_.Close();
        ::unlink(copy_.c_str());
    }
}

TsdCountPatch::Way TsdCountPatch::Early::Finish(const TsdBlockIndex& index, std::int64_t bursts,
                                                std::int64_t keepEnd) {
    if (thread_.joinable()) {
        thread_.join();
    }
    const std::string count = std::to_string(bursts);
    const bool fits = started_ && copied_ && count.size() == digits_ &&
                      static_cast<std::int64_t>(count.size()) != index.CountLineBytes &&
                      index.CountLineOffset == countOffset_ && keepEnd <= size_;
    if (!fits) {
        Discard();
        done_ = true;
        return Apply(path_, index, bursts, keepEnd);
    }
    done_ = true;
    const std::int64_t length =
        countOffset_ + static_cast<std::int64_t>(digits_) + (keepEnd - countEnd_);
    errno = 0;
    const bool written = CopyRange(in_.Descriptor(), out_.Descriptor(), 0, countOffset_, 0) &&
                         out_.WriteAt(count.data(), count.size(), countOffset_) &&
                         out_.Truncate(length);
    if (!written) {
        const int error = out_.LastError() != 0 ? out_.LastError() : errno;
        Discard();
        Fail("The copy " + copy_ + " of " + path_ + " cannot be written", error);
    }
    Replace(path_, copy_, out_, status_);
    return Way::Copied;
}

} // namespace tessary
