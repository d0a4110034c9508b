// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/Command.h"

namespace tessary {

// `repair FILE`: finishes a recording whose run was cut off, as Stop would have
// (RecordingRepair), and reports what it found and did.
class RepairCommand final : public Command {
public:
    std::string_view Name() const override { return "repair"; }
    std::string_view Summary() const override;
    std::string_view Help() const override;
    int Run(const std::vector<std::string>& args) override;
};

} // namespace tessary
