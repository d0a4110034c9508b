// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/JsonWriter.h"

#include <charconv>
#include <cmath>

namespace tessary {

namespace {

// Length of the valid UTF-8 sequence at the start of `s`, or 0 when it is not one
// (overlong forms, surrogates and code points above U+10FFFF count as invalid).
std::size_t Utf8SequenceLength(std::string_view s) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    std::uint32_t cp = 0;
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07u;
    } else {
        return 0;
    }
    if (s.size() < length) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0u) != 0x80u) {
            return 0;
        }
        cp = (cp << 6) | (byte(i) & 0x3Fu);
    }
    const bool overlong = (length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000);
    const bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
    if (overlong || surrogate || cp > 0x10FFFF) {
        return 0;
    }
    return length;
}

} // namespace

void JsonWriter::BeforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!needsComma_.empty()) {
        if (needsComma_.back()) {
            text_ += ',';
        }
        needsComma_.back() = true;
    }
}

void JsonWriter::BeginObject() {
    BeforeValue();
    text_ += '{';
    needsComma_.push_back(false);
}

void JsonWriter::EndObject() {
    text_ += '}';
    needsComma_.pop_back();
}

void JsonWriter::BeginArray() {
    BeforeValue();
    text_ += '[';
    needsComma_.push_back(false);
}

void JsonWriter::EndArray() {
    text_ += ']';
    needsComma_.pop_back();
}

void JsonWriter::Key(std::string_view name) {
    BeforeValue();
    AppendEscaped(name);
    text_ += ':';
    afterKey_ = true;
}

void JsonWriter::String(std::string_view utf8) {
    BeforeValue();
    AppendEscaped(utf8);
}

void JsonWriter::Integer(std::int64_t value) {
    BeforeValue();
    text_ += std::to_string(value);
}

void JsonWriter::Number(double value) {
    BeforeValue();
    if (!std::isfinite(value)) {
        text_ += "null";
        return;
    }
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    text_.append(buffer, result.ptr);
}

void JsonWriter::Number(float value) {
    BeforeValue();
    if (!std::isfinite(value)) {
        text_ += "null";
        return;
    }
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    text_.append(buffer, result.ptr);
}

void JsonWriter::Null() {
    BeforeValue();
    text_ += "null";
}

void JsonWriter::Bool(bool value) {
    BeforeValue();
    text_ += value ? "true" : "false";
}

void JsonWriter::AppendEscaped(std::string_view utf8) {
    static constexpr char Hex[] = "0123456789abcdef";
    text_ += '"';
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0x80) {
            const std::size_t length = Utf8SequenceLength(utf8.substr(i));
            if (length == 0) {
                text_ += "\xEF\xBF\xBD";
                ++i;
            } else {
                text_.append(utf8.substr(i, length));
                i += length;
            }
            continue;
        }
        switch (c) {
        case '"':
            text_ += "\\\"";
            break;
        case '\\':
            text_ += "\\\\";
            break;
        case '\n':
            text_ += "\\n";
            break;
        case '\r':
            text_ += "\\r";
            break;
        case '\t':
            text_ += "\\t";
            break;
        case '\b':
            text_ += "\\b";
            break;
        case '\f':
            text_ += "\\f";
            break;
        default:
            if (c < 0x20) {
                text_ += "\\u00";
                text_ += Hex[c >> 4];
                text_ += Hex[c & 0x0F];
            } else {
                text_ += static_cast<char>(c);
            }
        }
        ++i;
    }
    text_ += '"';
}

} // namespace tessary
