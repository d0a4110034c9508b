// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace tessary {

// What the operator is shown of a sigrok device: who made it, what it is, where it hangs,
// and its analog inputs with the unit of each (empty until the device has sent a reading).
struct SigrokDeviceDescription {
    std::string Driver;
    std::string Vendor;
    std::string Model;
    std::string Connection;
    std::vector<std::string> Channels; // analog inputs in order: burst channel 1 is the first
    std::vector<std::string> Units;    // one per input

    // "Model (driver, connection)", the device's name in messages.
    std::string Name() const {
        std::string name = Model.empty() ? Driver : Model;
        name += " (" + Driver + (Connection.empty() ? "" : ", " + Connection) + ")";
        return name;
    }
};

} // namespace tessary
