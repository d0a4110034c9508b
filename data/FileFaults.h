// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessary {

// A seam for tests: a process-wide hook that PosixFile consults before each write and each
// sync, so that a full, limited or failing disk (a short write, ENOSPC, EFBIG, EIO) can be
// played without one. Nothing is installed outside tests. An installed hook is called from
// every thread that writes, so it must be thread-safe.
class FileFaults {
public:
    virtual ~FileFaults() = default;

    // Before a write of n bytes to the file `fd` at `offset` (-1: at the file's position, or
    // its end when appending): how many of them to pass to the system (n for all, fewer to cut
    // the write short), or -1 with `error` set to fail it with that system error.
    virtual std::int64_t BeforeWrite(int fd, std::int64_t offset, std::size_t n, int& error) = 0;
    // Before a sync: a system error to fail it with, 0 to let it pass.
    virtual int BeforeSync() { return 0; }

    // Installs `faults` (nullptr removes it); the caller keeps it alive while installed.
    static void Install(FileFaults* faults);
    static FileFaults* Installed();
};

} // namespace tessary
