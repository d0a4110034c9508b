// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/Command.h"

namespace tessary {

// `record PARAMS.apm ...`: runs the measurement an APM file describes on the simulated card,
// through the window's set-up and run control, until it completes or a stop rule, Ctrl-C or
// SIGTERM presses Stop.
class RecordCommand final : public Command {
public:
    std::string_view Name() const override { return "record"; }
    std::string_view Summary() const override;
    std::string_view Help() const override;
    int Run(const std::vector<std::string>& args) override;
};

} // namespace tessary
