// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CommandLine.h"

#include "cli/UsageError.h"

namespace tessary {

namespace {

const OptionSpec* FindLong(std::span<const OptionSpec> specs, std::string_view name) {
    for (const OptionSpec& spec : specs) {
        if (spec.Long == name) {
            return &spec;
        }
    }
    return nullptr;
}

const OptionSpec* FindShort(std::span<const OptionSpec> specs, char letter) {
    for (const OptionSpec& spec : specs) {
        if (spec.Short != '\0' && spec.Short == letter) {
            return &spec;
        }
    }
    return nullptr;
}

} // namespace

CommandLine::CommandLine(const std::vector<std::string>& args, std::span<const OptionSpec> specs) {
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            positionals_.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const OptionSpec* spec = nullptr;
        std::optional<std::string> inlineValue;
        if (arg[1] == '-') {
            std::string_view name = std::string_view(arg).substr(2);
            const std::size_t eq = name.find('=');
            if (eq != std::string_view::npos) {
                inlineValue = std::string(name.substr(eq + 1));
                name = name.substr(0, eq);
            }
            spec = FindLong(specs, name);
        } else if (arg.size() == 2) {
            spec = FindShort(specs, arg[1]);
        }
        if (spec == nullptr) {
            throw UsageError("unknown option " + arg);
        }
        std::string value;
        if (spec->TakesValue) {
            if (inlineValue) {
                value = *inlineValue;
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                throw UsageError("option --" + std::string(spec->Long) + " needs a value");
            }
        } else if (inlineValue) {
            throw UsageError("option --" + std::string(spec->Long) + " takes no value");
        }
        options_.insert_or_assign(std::string(spec->Long), value);
    }
}

bool CommandLine::Has(std::string_view longName) const {
    return options_.find(longName) != options_.end();
}

std::optional<std::string> CommandLine::Value(std::string_view longName) const {
    const auto it = options_.find(longName);
    if (it == options_.end()) {
        return std::nullopt;
    }
    return it->second;
}

} // namespace tessary
