// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/CardName.h"

#include <algorithm>

namespace tessary {

namespace {

constexpr std::string_view SigrokPrefix = "sigrok:";

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Driver names and option keys are sigrok identifiers: lower-case letters, digits, '-', '_'.
bool IsIdentifier(std::string_view name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    });
}

std::vector<std::string_view> SplitAtColons(std::string_view text) {
    std::vector<std::string_view> parts;
    std::size_t begin = 0;
    while (true) {
        const auto colon = text.find(':', begin);
        parts.push_back(text.substr(begin, colon - begin));
        if (colon == std::string_view::npos) {
            return parts;
        }
        begin = colon + 1;
    }
}

void Explain(std::string* why, std::string reason) {
    if (why != nullptr) {
        *why = std::move(reason);
    }
}

// KEY=VALUE with a sigrok identifier as the key and a value that is not empty.
bool AddOption(std::string_view option, CardName::OptionList& options, std::string* why) {
    const auto equals = option.find('=');
    if (equals == std::string_view::npos || !IsIdentifier(option.substr(0, equals)) ||
        equals + 1 == option.size()) {
        Explain(why, "option \"" + std::string(option) + "\" is not KEY=VALUE");
        return false;
    }
    options.emplace_back(option.substr(0, equals), option.substr(equals + 1));
    return true;
}

} // namespace

std::optional<CardName> CardName::Parse(std::string_view text, std::string* why) {
    const std::string_view name = Trimmed(text);
    if (name == SimulatedCardName) {
        return CardName{};
    }
    if (!name.starts_with(SigrokPrefix)) {
        Explain(why, "not \"simulated\" or \"sigrok:DRIVER[:KEY=VALUE...]\"");
        return std::nullopt;
    }
    const std::vector<std::string_view> parts = SplitAtColons(name.substr(SigrokPrefix.size()));
    CardName parsed;
    parsed.Type = Kind::Sigrok;
    if (!IsIdentifier(parts[0])) {
        Explain(why, "no driver name after \"sigrok:\"");
        return std::nullopt;
    }
    parsed.Driver = parts[0];
    for (std::size_t k = 1; k < parts.size(); ++k) {
        if (!AddOption(parts[k], parsed.Options, why)) {
            return std::nullopt;
        }
    }
    return parsed;
}

std::optional<CardName::OptionList> CardName::ParseOptions(std::string_view text,
                                                           std::string* why) {
    OptionList options;
    const std::string_view trimmed = Trimmed(text);
    if (trimmed.empty()) {
        return options;
    }
    for (const std::string_view option : SplitAtColons(trimmed)) {
        if (!AddOption(option, options, why)) {
            return std::nullopt;
        }
    }
    return options;
}

std::string CardName::Text() const {
    if (Type == Kind::Simulated) {
        return SimulatedCardName;
    }
    std::string text = std::string(SigrokPrefix) + Driver;
    for (const auto& [key, value] : Options) {
        text += ":" + key + "=" + value;
    }
    return text;
}

} // namespace tessary
