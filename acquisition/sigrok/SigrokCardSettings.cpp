// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/sigrok/SigrokCardSettings.h"

#include "acquisition/TextConversions.h"
#include "data/Errors.h"
#include "settings/ProfileFile.h"

namespace tessary {

namespace {

[[noreturn]] void Refuse(const std::string& path, std::string_view section, std::string_view key,
                         const std::string& text, const std::string& expected) {
    throw ConversionError(path + ": [" + std::string(section) + "] " + std::string(key) + " = '" +
                          text + "' is " + expected);
}

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

CardName::OptionList ReadOptions(const ProfileFile& file, const std::string& path,
                                 std::string_view section) {
    const std::string text = Trimmed(file.Get(section, "Options", ""));
    std::string why;
    const auto options = CardName::ParseOptions(text, &why);
    if (!options) {
        Refuse(path, section, "Options", text, "not KEY=VALUE[:KEY=VALUE...]: " + why);
    }
    return *options;
}

} // namespace

SigrokCardSettings SigrokCardSettings::Load(const std::string& path) {
    const ProfileFile file(path);
    SigrokCardSettings settings;
    if (const auto text = file.Find("Card", "Name"); text && !Trimmed(*text).empty()) {
        std::string why;
        const auto parsed = CardName::Parse(*text, &why);
        if (!parsed) {
            Refuse(path, "Card", "Name", Trimmed(*text), why);
        }
        settings.Card = *parsed;
    }
    settings.DeviceOptions = ReadOptions(file, path, "Card");
    for (std::size_t k = 0; k < settings.Channels.size(); ++k) {
        const std::string section = "Ch" + std::to_string(k + 1);
        SigrokChannelSettings& channel = settings.Channels[k];
        channel.Options = ReadOptions(file, path, section);
        const std::string divider = Trimmed(file.Get(section, "Divider", ""));
        if (divider.empty()) {
            continue;
        }
        try {
            channel.Divider = TextToFloat(divider);
        } catch (const ConversionError&) {
            Refuse(path, section, "Divider", divider, "not a number");
        }
        if (!(channel.Divider > 0)) {
            Refuse(path, section, "Divider", divider, "not above 0");
        }
    }
    return settings;
}

void SigrokCardSettings::SaveName(const std::string& path, const CardName& card) {
    ProfileFile file(path);
    file.Set("Card", "Name", card.Text());
    file.Save();
}

} // namespace tessary
