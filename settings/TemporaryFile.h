// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace tessary {

// Helpers of every write that replaces a file by renaming a complete copy over it.

// The file that such a write replaces: the target of a symbolic link, else the path itself;
// empty when the link cannot be resolved.
std::string ReplacedFile(const std::string& path);

// Creates a new, empty file with an unused name ".NAME.<random>.tmp" in the folder of
// `target` (opened for writing, close-on-exec) and returns its descriptor, -1 with errno set
// when none can be created; `name` is its path.
int CreateTemporaryBeside(const std::string& target, std::string& name);

// Forces the folder of `target` to the disk, so that a rename into it survives a crash.
void SyncFolderOf(const std::string& target);

} // namespace tessary
