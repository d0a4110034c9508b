#include "acquisition/SimulatedCardSettings.h"

#include "acquisition/TextConversions.h"
#include "app/ProfileStrings.h"
#include "data/Errors.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

namespace tessary {

namespace {

// Reads the keys of one file; a key that is missing or empty keeps its default.
class SettingsReader {
public:
    explicit SettingsReader(const std::string& path) : path_(path) {}

    void Int(std::string_view section, std::string_view key, std::int32_t& value, std::int32_t low,
             std::int32_t high) const {
        const std::string text = Text(section, key);
        if (text.empty()) {
            return;
        }
        std::int32_t read = 0;
        try {
            read = TextToInt(text);
        } catch (const ConversionError&) {
            Refuse(section, key, text, "an integer");
        }
        if (read < low || read > high) {
            Refuse(section, key, text,
                   "an integer from " + std::to_string(low) + " to " + std::to_string(high));
        }
        value = read;
    }

    void Real(std::string_view section, std::string_view key, double& value,
              bool nonNegative) const {
        const std::string text = Text(section, key);
        if (text.empty()) {
            return;
        }
        double read = 0;
        try {
            read = TextToFloat(text);
        } catch (const ConversionError&) {
            Refuse(section, key, text, "a number");
        }
        if (nonNegative && read < 0) {
            Refuse(section, key, text, "a number of 0 or more");
        }
        value = read;
    }

    void Signal(std::string_view section, SimulatedSignal& value) const {
        const std::string text = Text(section, "Signal");
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
            Refuse(section, "Signal", text, "one of sine, square, ramp, noise");
        }
    }

private:
    std::string Text(std::string_view section, std::string_view key) const {
        std::string text = GetPrivateProfileString(section, key, "", path_);
        const auto first = text.find_first_not_of(" \t");
        if (first == std::string::npos) {
            return {};
        }
        const auto last = text.find_last_not_of(" \t");
        return text.substr(first, last - first + 1);
    }

    [[noreturn]] void Refuse(std::string_view section, std::string_view key,
                             const std::string& text, const std::string& expected) const {
        throw ConversionError(path_ + ": [" + std::string(section) + "] " + std::string(key) +
                              " = '" + text + "' is not " + expected);
    }

    const std::string& path_;
};

constexpr std::int32_t IntMax = 2147483647;

} // namespace

SimulatedCardSettings SimulatedCardSettings::Load(const std::string& path) {
    SimulatedCardSettings settings;
    const SettingsReader reader(path);
    std::int32_t present = settings.Present ? 1 : 0;
    reader.Int("Card", "Present", present, 0, 1);
    settings.Present = present == 1;
    reader.Int("Card", "Kind", settings.Kind, -IntMax - 1, IntMax);
    reader.Int("Card", "IoBase", settings.IoBase, -IntMax - 1, IntMax);
    reader.Int("Card", "Irq", settings.Irq, -IntMax - 1, IntMax);
    std::int32_t failStep = settings.FailStep;
    reader.Int("Card", "FailStep", failStep, 0, 5);
    settings.FailStep = failStep;
    reader.Int("Card", "AbnormalEndScan", settings.AbnormalEndScan, 0, IntMax);
    reader.Int("Card", "RingBufferWords", settings.RingBufferWords, 0, IntMax);
    for (std::size_t k = 0; k < settings.Channels.size(); ++k) {
        const std::string section = "Ch" + std::to_string(k + 1);
        SimulatedChannel& channel = settings.Channels[k];
        reader.Signal(section, channel.Signal);
        reader.Real(section, "Amplitude", channel.Amplitude, false);
        reader.Real(section, "Offset", channel.Offset, false);
        reader.Real(section, "Frequency", channel.Frequency, true);
    }
    return settings;
}

} // namespace tessary
