// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/FileRangeCopy.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>
#include <vector>

namespace tessary {

namespace {

constexpr std::int64_t BufferBytes = std::int64_t{1} << 20;

int CopyThroughBuffer(int in, std::int64_t from, int out, std::int64_t to, std::int64_t bytes) {
    std::vector<char> buffer(static_cast<std::size_t>(std::min(bytes, BufferBytes)));
    while (bytes > 0) {
        const auto piece = static_cast<std::size_t>(std::min<std::int64_t>(bytes, BufferBytes));
        const ssize_t got = ::pread(in, buffer.data(), piece, static_cast<off_t>(from));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return got < 0 ? errno : ENODATA;
        }
        std::size_t done = 0;
        while (done < static_cast<std::size_t>(got)) {
            const ssize_t put =
                ::pwrite(out, buffer.data() + done, static_cast<std::size_t>(got) - done,
                         static_cast<off_t>(to + static_cast<std::int64_t>(done)));
            if (put < 0 && errno == EINTR) {
                continue;
            }
            if (put <= 0) {
                return put < 0 ? errno : EIO;
            }
            done += static_cast<std::size_t>(put);
        }
        from += got;
        to += got;
        bytes -= got;
    }
    return 0;
}

} // namespace

int CopyFileRange(int in, std::int64_t from, int out, std::int64_t to, std::int64_t bytes) {
    while (bytes > 0) {
        loff_t inAt = from;
        loff_t outAt = to;
        const ssize_t n =
            ::copy_file_range(in, &inAt, out, &outAt, static_cast<std::size_t>(bytes), 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 &&
            (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL)) {
            // Not between these two files: a different file system, or one without the call.
            return CopyThroughBuffer(in, from, out, to, bytes);
        }
        if (n < 0) {
            return errno;
        }
        if (n == 0) {
            return ENODATA;
        }
        from += n;
        to += n;
        bytes -= n;
    }
    return 0;
}

} // namespace tessary
