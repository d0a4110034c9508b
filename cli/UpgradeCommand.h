// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/Command.h"

namespace tessary {

// `upgrade FILE.sdf [--yes]`: converts an SDF file of layout 1 to 3 in place to layout 4,
// through the program's reader and upgrade, after the program's question.
class UpgradeCommand final : public Command {
public:
    std::string_view Name() const override { return "upgrade"; }
    std::string_view Summary() const override;
    std::string_view Help() const override;
    int Run(const std::vector<std::string>& args) override;
};

} // namespace tessary
