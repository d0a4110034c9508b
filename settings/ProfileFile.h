// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessary {

// One INI-layout file in memory: loaded once, read with Get, changed with Set, written back
// with one Save. Every line that Set does not touch is kept byte for byte (comments, blank
// lines, unknown sections and keys, their order and line ends); new lines end in CR LF.
//
// Reading rules: a line whose first non-blank character is '[' and that holds a ']' opens the
// section named between them; a line holding '=' is a key (before the first '=') and its
// value (after it); ';' starts a comment line; a UTF-8 byte-order mark before the first line
// is passed over. Names and values are trimmed of blanks and tabs; quotes around a value stay
// (a quoted comment reads back with its quotes). Names compare without regard to ASCII case
// (the second byte of a double-byte CP932 character is never folded). The first matching
// section and, in it, the first matching key count. Texts are CP932 bytes.
//
// The file is treated as hostile: at most MaxFileBytes are read, any bytes give a result.
class ProfileFile {
public:
    static constexpr std::size_t MaxValueBytes = 2047;
    static constexpr std::size_t MaxFileBytes = std::size_t{1} << 20;

    // Loads the file at `path` (UTF-8). A missing or unreadable file loads as empty.
    explicit ProfileFile(std::string path);

    // The value of `key` in `section`, cut to MaxValueBytes without splitting a double-byte
    // character; `defaultValue` (cut the same way) when the section or key is missing.
    std::string Get(std::string_view section, std::string_view key,
                    std::string_view defaultValue) const;
    // The same value, or nothing when the section or key is missing.
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;

    // Replaces the value of the first matching key, or adds the key after the last key of the
    // first matching section, or adds the section at the end of the file. The key is written
    // with the spelling given here. CR and LF in the texts would break the line layout and
    // are written as blanks.
    void Set(std::string_view section, std::string_view key, std::string_view value);

    // Writes the whole file through a temporary file in the same folder, renamed over the
    // old one, so that a failure never leaves a truncated file. A file that could not be
    // read completely (unreadable, or larger than MaxFileBytes) is never overwritten. Raises
    // InOutError "<path> に書き込めません" when the write is refused.
    void Save() const;

    // The file's bytes as Save would write them.
    const std::string& Contents() const { return content_; }

private:
    struct Entry {
        bool IsSection = false;
        std::size_t LineBegin = 0;
        std::size_t LineEnd = 0;  // end of the line's text, before CR LF
        std::size_t NextLine = 0; // start of the next line
        std::size_t NameBegin = 0;
        std::size_t NameSize = 0;
        std::size_t ValueBegin = 0;
        std::size_t ValueSize = 0;
    };

    void Parse();
    std::string_view NameOf(const Entry& entry) const;
    // Index of the first section entry named `section`, or entries_.size().
    std::size_t FindSection(std::string_view section) const;

    std::string path_;
    std::string content_;
    bool complete_ = true;
    std::vector<Entry> entries_;
};

} // namespace tessary
