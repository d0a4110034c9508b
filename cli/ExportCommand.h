// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/Command.h"

namespace tessary {

// `export FILE.sdf|FILE.tsd -o OUT.tsd|OUT.csv|OUT.h5`: converts a recording burst by burst,
// so that a file larger than memory converts through a buffer of one burst.
class ExportCommand final : public Command {
public:
    std::string_view Name() const override { return "export"; }
    std::string_view Summary() const override;
    std::string_view Help() const override;
    int Run(const std::vector<std::string>& args) override;
};

} // namespace tessary
