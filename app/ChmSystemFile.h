// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace tessary {

// The "/#SYSTEM" object of a compiled help file: a 32-bit version, then records of a 16-bit
// code, a 16-bit length and that many bytes. Code 0 names the contents file, 1 the keyword
// index, 2 the default topic, 3 the title; their texts end at a zero byte.
struct ChmSystemFile {
    std::string ContentsFile;
    std::string IndexFile;
    std::string DefaultTopic;
    std::string Title;

    // Takes what the bytes hold; a record cut short ends the reading. Never fails.
    static ChmSystemFile Parse(std::string_view bytes);
};

} // namespace tessary
