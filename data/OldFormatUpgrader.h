// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace tessary {

class TFrmSDFdata;

// Rewrites an SDF file of layout 1 to 3 in place as layout 4. The header reader calls it
// with the old header already in the record; true when the file was replaced.
class OldFormatUpgrader {
public:
    virtual ~OldFormatUpgrader() = default;
    virtual bool UpgradeOldFormat(TFrmSDFdata& holder, int version, const std::string& path) = 0;
};

} // namespace tessary
