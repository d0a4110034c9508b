// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessary {

// Builds one compact JSON text. Commas are placed by the writer; strings are escaped, and
// bytes that are not UTF-8 become U+FFFD so that the output is always valid JSON. Numbers
// that JSON cannot hold (infinities, NaN) are written as null.
class JsonWriter {
public:
    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    void Key(std::string_view name);

    void String(std::string_view utf8);
    void Integer(std::int64_t value);
    void Number(double value); // shortest text that reads back as the same double
    void Number(float value);  // shortest text that reads back as the same float
    void Null();
    void Bool(bool value);

    const std::string& Text() const { return text_; }

private:
    void BeforeValue();
    void AppendEscaped(std::string_view utf8);

    std::string text_;
    std::vector<bool> needsComma_; // one per open object or array
    bool afterKey_ = false;
};

} // namespace tessary
