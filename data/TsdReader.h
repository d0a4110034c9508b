// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace tessary {

class TFrmSDFdata;

// Reads the header of a TSD file of version 1 or 2 into the holder's record.
class TsdReader {
public:
    explicit TsdReader(TFrmSDFdata& holder) : holder_(holder) {}

    // False after the format error box. A line that does not convert, a size or unit out of
    // range, or a file that cannot be read raises ConversionError, RangeError or InOutError
    // naming the file and the value; fields read before stay in the record.
    bool Read(const std::string& path);

private:
    TFrmSDFdata& holder_;
};

} // namespace tessary
