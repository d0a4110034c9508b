// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tessary {

// One sub-command of tessary-cli. Run gets the arguments after the command's name and
// returns the exit status; errors are reported by the command itself.
class Command {
public:
    virtual ~Command() = default;
    virtual std::string_view Name() const = 0;
    virtual std::string_view Summary() const = 0; // one line for the overview
    virtual std::string_view Help() const = 0;    // the command's --help text
    virtual int Run(const std::vector<std::string>& args) = 0;
};

} // namespace tessary
