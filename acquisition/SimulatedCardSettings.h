// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tessary {

// The file of the simulated card's settings, beside the program.
inline constexpr const char* SimulatedCardIniName = "AdLibSim.ini";

enum class SimulatedSignal { Sine, Square, Ramp, Noise };

struct SimulatedChannel {
    SimulatedSignal Signal = SimulatedSignal::Sine;
    double Amplitude = 5.0; // volts
    double Offset = 0.0;    // volts
    double Frequency = 1.0; // Hz
};

// How the simulated card behaves; the defaults are a present card with sine signals.
struct SimulatedCardSettings {
    bool Present = true;
    std::int32_t Kind = 1;
    std::int32_t IoBase = 768;
    std::int32_t Irq = 10;
    int FailStep = 0;                 // 1 to 5: the configuration step that fails
    std::int32_t AbnormalEndScan = 0; // > 0: each burst ends abnormally after this many scans
    std::int32_t RingBufferWords = 0; // > 0: a ring smaller than the program asks for
    std::array<SimulatedChannel, 8> Channels = DefaultChannels();

    // Channel k (0-based) defaults to a 5 V sine of k + 1 Hz.
    static std::array<SimulatedChannel, 8> DefaultChannels() {
        std::array<SimulatedChannel, 8> channels;
        for (std::size_t k = 0; k < channels.size(); ++k) {
            channels[k].Frequency = static_cast<double>(k + 1);
        }
        return channels;
    }

    // Reads the settings from an INI file; a missing file or key keeps the default. A value
    // that does not read is a ConversionError naming the file, section and key.
    static SimulatedCardSettings Load(const std::string& path);
};

} // namespace tessary
