#pragma once

#include "cli/Command.h"

namespace tessary {

// `export FILE.sdf -o OUT.tsd|OUT.csv`: converts a recording block by block, so that a file
// larger than memory converts through a buffer of one burst.
class ExportCommand final : public Command {
public:
    std::string_view Name() const override { return "export"; }
    std::string_view Summary() const override;
    std::string_view Help() const override;
    int Run(const std::vector<std::string>& args) override;
};

} // namespace tessary
