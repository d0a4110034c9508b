// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/Cp932.h"

#include <cerrno>
#include <iconv.h>
#include <memory>

namespace tessary {

bool IsCp932LeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

std::string CutToBytes(std::string_view cp932, std::size_t limit) {
    if (cp932.size() <= limit) {
        return std::string(cp932);
    }
    std::size_t end = 0;
    while (end < limit) {
        const std::size_t width = IsCp932LeadByte(static_cast<unsigned char>(cp932[end])) ? 2 : 1;
        if (end + width > limit) {
            break;
        }
        end += width;
    }
    return std::string(cp932.substr(0, end));
}

namespace {

struct IconvCloser {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};

// Converts with iconv, replacing every sequence that does not convert by '?' and counting
// them in `replaced`. The input bytes skipped on an invalid sequence depend on the source
// encoding's character width.
std::string Convert(std::string_view in, const char* to, const char* from, bool fromCp932,
                    std::size_t& replaced) {
    replaced = 0;
    iconv_t raw = iconv_open(to, from);
    if (raw == reinterpret_cast<iconv_t>(-1)) {
        replaced = in.size();
        return std::string(in);
    }
    std::unique_ptr<void, IconvCloser> cd(raw);
    std::string out;
    out.resize(in.size() * 3 + 16);
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    while (inLeft > 0) {
        const std::size_t r = iconv(raw, &inPtr, &inLeft, &outPtr, &outLeft);
        if (r != static_cast<std::size_t>(-1)) {
            break;
        }
        if (errno == E2BIG) {
            const std::size_t used = static_cast<std::size_t>(outPtr - out.data());
            out.resize(out.size() * 2);
            outPtr = out.data() + used;
            outLeft = out.size() - used;
            continue;
        }
        // EILSEQ or EINVAL: skip one character of the input and write '?'.
        std::size_t skip = 1;
        const auto lead = static_cast<unsigned char>(*inPtr);
        if (fromCp932) {
            skip = (IsCp932LeadByte(lead) && inLeft >= 2) ? 2 : 1;
        } else if (lead >= 0xC0) {
            skip = 1;
            while (skip < inLeft && (static_cast<unsigned char>(inPtr[skip]) & 0xC0) == 0x80) {
                ++skip;
            }
        }
        inPtr += skip;
        inLeft -= skip;
        if (outLeft == 0) {
            const std::size_t used = static_cast<std::size_t>(outPtr - out.data());
            out.resize(out.size() * 2);
            outPtr = out.data() + used;
            outLeft = out.size() - used;
        }
        *outPtr++ = '?';
        --outLeft;
        ++replaced;
        iconv(raw, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(static_cast<std::size_t>(outPtr - out.data()));
    return out;
}

} // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
    std::size_t replaced = 0;
    return Convert(cp932, "UTF-8", "CP932", true, replaced);
}

std::string Utf8ToCp932(std::string_view utf8) {
    std::size_t replaced = 0;
    return Convert(utf8, "CP932", "UTF-8", false, replaced);
}

std::optional<std::string> Utf8ToCp932Exactly(std::string_view utf8) {
    std::size_t replaced = 0;
    std::string cp932 = Convert(utf8, "CP932", "UTF-8", false, replaced);
    if (replaced > 0) {
        return std::nullopt;
    }
    return cp932;
}

} // namespace tessary
