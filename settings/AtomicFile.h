// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace tessary {

// Replaces the file at `path` (UTF-8) by `bytes`: writes a temporary file in the same folder,
// flushes it to disk and renames it over the old file, so that a crash or a full disk leaves
// either the old or the new file, never a truncated one. A symbolic link is followed, so the
// file it points to is replaced; an existing file keeps its permission bits, and one that is
// not writable is refused. Raises InOutError "<path> に書き込めません" on any failure.
void ReplaceFileAtomically(const std::string& path, std::string_view bytes);

} // namespace tessary
