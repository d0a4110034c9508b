// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tessary {

// Which card the program records from, as the operator writes it: "simulated" for the
// simulated card, or "sigrok:DRIVER[:KEY=VALUE...]" for a device that libsigrok drives, in
// sigrok's own driver syntax (the options are the driver's scan options, for example
// "sigrok:demo" or "sigrok:hantek-6xxx:conn=1.5").
struct CardName {
    enum class Kind { Simulated, Sigrok };
    using OptionList = std::vector<std::pair<std::string, std::string>>;

    Kind Type = Kind::Simulated;
    std::string Driver; // Sigrok: the driver's name
    OptionList Options; // Sigrok: scan options in order

    // The name read from `text` (blanks around it ignored); nothing when it is malformed,
    // and then `why` (when given) says what is wrong, in English.
    static std::optional<CardName> Parse(std::string_view text, std::string* why = nullptr);

    // Options as sigrok writes them, "KEY=VALUE[:KEY=VALUE...]" (an empty text is none); nothing
    // when malformed, with `why` as for Parse.
    static std::optional<OptionList> ParseOptions(std::string_view text,
                                                  std::string* why = nullptr);

    // The text that Parse reads back to this name.
    std::string Text() const;

    bool operator==(const CardName&) const = default;
};

// The text of the default card.
inline constexpr const char* SimulatedCardName = "simulated";

} // namespace tessary
