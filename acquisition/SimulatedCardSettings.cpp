// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/SimulatedCardSettings.h"

#include "acquisition/TextConversions.h"
#include "data/Errors.h"
#include "settings/ProfileStrings.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

namespace tessary {

namespace {

// A key's value without surrounding blanks; empty when the file, section or key is missing.
std::string KeyText(const std::string& path, std::string_view section, std::string_view key) {
    const std::string text = GetPrivateProfileString(section, key, "", path);
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

[[noreturn]] void Refuse(const std::string& path, std::string_view section, std::string_view key,
                         const std::string& text, const std::string& expected) {
    throw ConversionError(path + ": [" + std::string(section) + "] " + std::string(key) + " = '" +
                          text + "' is not " + expected);
}

// Each reader leaves `value` at its default when the key is missing or empty.
void ReadInt(const std::string& path, std::string_view section, std::string_view key,
             std::int32_t& value, std::int32_t low, std::int32_t high) {
    const std::string text = KeyText(path, section, key);
    if (text.empty()) {
        return;
    }
    std::int32_t read = 0;
    try {
        read = TextToInt(text);
    } catch (const ConversionError&) {
        Refuse(path, section, key, text, "an integer");
    }
    if (read < low || read > high) {
        Refuse(path, section, key, text,
               "an integer from " + std::to_string(low) + " to " + std::to_string(high));
    }
    value = read;
}

void ReadReal(const std::string& path, std::string_view section, std::string_view key,
              double& value, bool nonNegative) {
    const std::string text = KeyText(path, section, key);
    if (text.empty()) {
        return;
    }
    double read = 0;
    try {
        read = TextToFloat(text);
    } catch (const ConversionError&) {
        Refuse(path, section, key, text, "a number");
    }
    if (nonNegative && read < 0) {
        Refuse(path, section, key, text, "a number of 0 or more");
    }
    value = read;
}

void ReadSignal(const std::string& path, std::string_view section, SimulatedSignal& value) {
    const std::string text = KeyText(path, section, "Signal");
    if (text.empty()) {
        return;
    }
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "sine") {
        value = SimulatedSignal::Sine;
    } else if (lower == "square") {
        value = SimulatedSignal::Square;
    } else if (lower == "ramp") {
        value = SimulatedSignal::Ramp;
    } else if (lower == "noise") {
        value = SimulatedSignal::Noise;
    } else {
        Refuse(path, section, "Signal", text, "one of sine, square, ramp, noise");
    }
}

constexpr std::int32_t IntMax = 2147483647;

} // namespace

SimulatedCardSettings SimulatedCardSettings::Load(const std::string& path) {
    SimulatedCardSettings settings;
    std::int32_t present = settings.Present ? 1 : 0;
    ReadInt(path, "Card", "Present", present, 0, 1);
    settings.Present = present == 1;
    ReadInt(path, "Card", "Kind", settings.Kind, -IntMax - 1, IntMax);
    ReadInt(path, "Card", "IoBase", settings.IoBase, -IntMax - 1, IntMax);
    ReadInt(path, "Card", "Irq", settings.Irq, -IntMax - 1, IntMax);
    std::int32_t failStep = settings.FailStep;
    ReadInt(path, "Card", "FailStep", failStep, 0, 5);
    settings.FailStep = failStep;
    ReadInt(path, "Card", "AbnormalEndScan", settings.AbnormalEndScan, 0, IntMax);
    ReadInt(path, "Card", "RingBufferWords", settings.RingBufferWords, 0, IntMax);
    for (std::size_t k = 0; k < settings.Channels.size(); ++k) {
        const std::string section = "Ch" + std::to_string(k + 1);
        SimulatedChannel& channel = settings.Channels[k];
        ReadSignal(path, section, channel.Signal);
        ReadReal(path, section, "Amplitude", channel.Amplitude, false);
        ReadReal(path, section, "Offset", channel.Offset, false);
        ReadReal(path, section, "Frequency", channel.Frequency, true);
    }
    return settings;
}

} // namespace tessary
