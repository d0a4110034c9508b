// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace tessary {

// Copies `bytes` bytes from offset `from` of the file open as `in` to offset `to` of the file
// open as `out`, inside the kernel where it can (copy_file_range), else through a bounded
// buffer. Neither descriptor's file position moves. 0 when done, else the errno of the
// failure; ENODATA when `in` ends before the range does.
int CopyFileRange(int in, std::int64_t from, int out, std::int64_t to, std::int64_t bytes);

} // namespace tessary
