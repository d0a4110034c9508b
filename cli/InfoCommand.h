// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/Command.h"

namespace tessary {

// `info FILE [--json]`: prints the header of an SDF or TSD file. An old SDF layout is
// reported as it is and never converted.
class InfoCommand final : public Command {
public:
    std::string_view Name() const override { return "info"; }
    std::string_view Summary() const override;
    std::string_view Help() const override;
    int Run(const std::vector<std::string>& args) override;
};

} // namespace tessary
