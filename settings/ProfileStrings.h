// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

// The profile-string operations on INI-layout files, as the Windows functions of the same
// names behave: sections and keys matched without regard to ASCII case, keys with spaces as
// they stand, values read with at most 2047 bytes, a missing or unreadable file read as
// empty. Texts are CP932 bytes; the path is UTF-8. Each call opens, reads (and writes) and
// closes the file; to read or write many keys with one parse and one write, use ProfileFile.
namespace tessary {

// The value of `key` in `section`, or `defaultValue` when the file, the section or the key
// is missing. Never fails.
std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, const std::string& path);

// Replaces or adds the one key and leaves every other line of the file as it was; a missing
// file is created. A write the system refuses raises InOutError "<path> に書き込めません".
void WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::string& path);

} // namespace tessary
