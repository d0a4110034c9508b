// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/Command.h"

#include <memory>
#include <string>
#include <vector>

namespace tessary {

// Picks the command named by the first argument, answers --help, and turns a wrong
// command line into a usage message.
class CliProgram {
public:
    CliProgram();
    int Run(const std::vector<std::string>& args);

private:
    std::string Overview() const;
    Command* Find(const std::string& name) const;

    std::vector<std::unique_ptr<Command>> commands_;
};

} // namespace tessary
