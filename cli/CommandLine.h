// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessary {

struct OptionSpec {
    std::string_view Long; // without the leading "--"
    char Short = '\0';     // '\0' when there is no one-letter form
    bool TakesValue = false;
};

// The arguments of one command: options as declared, everything else positional.
// "--name value", "--name=value", "-x value" and "--" (end of options) are understood;
// an undeclared option or a missing value is a UsageError. The last of repeated options wins.
class CommandLine {
public:
    CommandLine(const std::vector<std::string>& args, std::span<const OptionSpec> specs);

    const std::vector<std::string>& Positionals() const { return positionals_; }
    bool Has(std::string_view longName) const;
    std::optional<std::string> Value(std::string_view longName) const;

private:
    std::vector<std::string> positionals_;
    std::map<std::string, std::string, std::less<>> options_;
};

} // namespace tessary
