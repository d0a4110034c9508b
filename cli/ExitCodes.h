// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace tessary {

// Exit statuses of tessary-cli.
inline constexpr int ExitOk = 0;        // done; a recording that was stopped counts as done
inline constexpr int ExitFailed = 1;    // a file could not be read, written or recorded
inline constexpr int ExitUsage = 2;     // the command line is wrong
inline constexpr int ExitCancelled = 3; // the user answered No or pressed Ctrl-C; nothing changed

} // namespace tessary
