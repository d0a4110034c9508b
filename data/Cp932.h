// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Texts in files and in the measurement record are CP932 (Shift_JIS) bytes held in
// std::string; the program's own texts and paths are UTF-8.
namespace tessary {

// True for a byte that starts a double-byte CP932 character.
bool IsCp932LeadByte(unsigned char byte);

// The longest prefix of at most `limit` bytes that does not end in the first half of a
// double-byte character: a half character in a file would be corrupted data.
std::string CutToBytes(std::string_view cp932, std::size_t limit);

// Conversions at the boundary. Bytes that do not convert become '?', never an error, so that
// a damaged file can still be shown.
std::string Cp932ToUtf8(std::string_view cp932);
std::string Utf8ToCp932(std::string_view utf8);

// The CP932 form of a text that CP932 can represent, character for character; nothing when
// a character has no CP932 form. Some characters come back as another code point that
// looks the same (U+301C 〜 as U+FF5E ～, U+2212 − as U+FF0D －), as on Windows.
std::optional<std::string> Utf8ToCp932Exactly(std::string_view utf8);

} // namespace tessary
