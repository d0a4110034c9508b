// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "acquisition/CardName.h"

#include <array>
#include <string>

namespace tessary {

// The file in the user's configuration folder that says which card the window records from,
// and how a sigrok device is set up. It is the program's own and never part of a parameter
// file, so a parameter file received from someone else cannot switch the device.
inline constexpr const char* CardChoiceFileName = "card.ini";

// Settings of channel k of a burst, which is the device's analog channel k.
struct SigrokChannelSettings {
    CardName::OptionList Options; // options of the channel's group, e.g. vdiv=1V or pattern=sine
    double Divider = 1.0;         // the reading is divided by this before it is stored
};

// [Card] Name (default "simulated"), [Card] Options (device options, "KEY=VALUE[:...]"),
// [Ch1] to [Ch8] Options and Divider. A missing file or key gives the default; a value that
// does not read is a ConversionError naming the file, section and key.
struct SigrokCardSettings {
    CardName Card;
    CardName::OptionList DeviceOptions;
    std::array<SigrokChannelSettings, 8> Channels;

    static SigrokCardSettings Load(const std::string& path);

    // Writes [Card] Name into the file at `path` and leaves every other line as it was. An
    // InOutError "<path> に書き込めません" when the file cannot be written.
    static void SaveName(const std::string& path, const CardName& card);
};

} // namespace tessary
