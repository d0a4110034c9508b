#include "data/TsdCountPatch.h"

#include "data/Errors.h"
#include "data/FileNames.h"
#include "data/PosixFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tessary {

namespace {

constexpr std::size_t CopyPieceBytes = std::size_t{1} << 20;

[[noreturn]] void Fail(const std::string& what, int error) {
    throw InOutError(what + " (" + PosixFile::ReasonOf(error) + ")");
}

// Copies bytes [from, to) of `in` to the end of `out`: in the kernel where it can, otherwise
// through a bounded buffer. False with errno set on a failure.
bool CopyRange(int in, int out, std::int64_t from, std::int64_t to) {
    off_t position = from;
    bool kernel = true;
    std::vector<char> buffer;
    while (position < to) {
        const auto want = static_cast<std::size_t>(
            std::min<std::int64_t>(to - position, static_cast<std::int64_t>(CopyPieceBytes)));
        if (kernel) {
            const ssize_t n = ::copy_file_range(in, &position, out, nullptr, want, 0);
            if (n > 0) {
                continue;
            }
            if (n == 0) {
                errno = EIO; // the file ended before its complete blocks did
                return false;
            }
            if (errno == EINTR) {
                continue;
            }
            if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) {
                return false;
            }
            kernel = false;
            buffer.resize(CopyPieceBytes);
        }
        const ssize_t r = ::pread(in, buffer.data(), want, position);
        if (r < 0 && errno == EINTR) {
            continue;
        }
        if (r <= 0) {
            if (r == 0) {
                errno = EIO;
            }
            return false;
        }
        std::size_t done = 0;
        while (done < static_cast<std::size_t>(r)) {
            const ssize_t w =
                ::write(out, buffer.data() + done, static_cast<std::size_t>(r) - done);
            if (w < 0 && errno == EINTR) {
                continue;
            }
            if (w <= 0) {
                if (w == 0) {
                    errno = ENOSPC;
                }
                return false;
            }
            done += static_cast<std::size_t>(w);
        }
        position += r;
    }
    return true;
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
    const auto failCopy = [&](int error) {
        out.Close();
        ::unlink(copy.c_str());
        Fail("The copy " + copy + " of " + path + " cannot be written", error);
    };
    const std::int64_t after = index.CountLineOffset + index.CountLineBytes;
    errno = 0;
    const bool copied = CopyRange(in.Descriptor(), out.Descriptor(), 0, index.CountLineOffset) &&
                        out.Write(count.data(), count.size()) &&
                        CopyRange(in.Descriptor(), out.Descriptor(), after, keepEnd);
    if (!copied) {
        failCopy(out.LastError() != 0 ? out.LastError() : errno);
    }
    // The owner may be kept only with the right to give files away; the bits always.
    if (::fchown(out.Descriptor(), status.st_uid, status.st_gid) != 0) {
        errno = 0;
    }
    if (::fchmod(out.Descriptor(), status.st_mode & 07777) != 0 || !out.DataSync()) {
        failCopy(out.LastError() != 0 ? out.LastError() : errno);
    }
    if (!out.Close()) {
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

} // namespace tessary
