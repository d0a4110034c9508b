// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ChmSystemFile.h"

#include <cstdint>

namespace tessary {

namespace {

std::uint16_t Word(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                      static_cast<unsigned char>(bytes[at + 1]) << 8);
}

std::string UpToZero(std::string_view text) {
    return std::string(text.substr(0, text.find('\0')));
}

} // namespace

ChmSystemFile ChmSystemFile::Parse(std::string_view bytes) {
    ChmSystemFile result;
    std::size_t at = 4;
    while (at + 4 <= bytes.size()) {
        const std::uint16_t code = Word(bytes, at);
        const std::size_t length = Word(bytes, at + 2);
        at += 4;
        if (length > bytes.size() - at) {
            break;
        }
        const std::string_view data = bytes.substr(at, length);
        at += length;
        switch (code) {
        case 0:
            result.ContentsFile = UpToZero(data);
            break;
        case 1:
            result.IndexFile = UpToZero(data);
            break;
        case 2:
            result.DefaultTopic = UpToZero(data);
            break;
        case 3:
            result.Title = UpToZero(data);
            break;
        default:
            break;
        }
    }
    return result;
}

} // namespace tessary
