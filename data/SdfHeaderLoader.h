// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "data/SdfLayoutInfo.h"
#include "data/TFrmSDFdata.h"

#include <string>

namespace tessary {

// Reads the header of an SDF file of any layout into the holder's record through the
// program's reader, without ever converting the file: an old layout is read as it is and
// left unchanged. The holder's dialogs must answer the old-layout question Yes; the reader
// then hands the file to an upgrader of this class, which declines. Layout 1 stores its
// intervals in milliseconds, so the record's units are set to "msec" before reading.
class SdfHeaderLoader {
public:
    explicit SdfHeaderLoader(TFrmSDFdata& holder) : holder_(holder) {}

    // False when the reader refused the file (it has shown its message). Errors of the
    // reader and an unreadable file size are raised.
    bool Load(const std::string& path);

    const SdfLayoutInfo& Layout() const { return layout_; }

private:
    TFrmSDFdata& holder_;
    SdfLayoutInfo layout_;
};

} // namespace tessary
