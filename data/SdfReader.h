// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace tessary {

class TFrmSDFdata;

// Reads the header of an SDF file of layout 1 to 4 into the holder's record. Old layouts
// are converted through the holder's upgrader after the user agrees.
class SdfReader {
public:
    explicit SdfReader(TFrmSDFdata& holder) : holder_(holder) {}

    // False after a format error box, a refused question or a failed upgrade. A file that
    // cannot be read, is shorter than its fields or holds sizes or units outside their
    // ranges raises InOutError, ConversionError or RangeError naming the file.
    bool Read(const std::string& path);

private:
    TFrmSDFdata& holder_;
};

} // namespace tessary
