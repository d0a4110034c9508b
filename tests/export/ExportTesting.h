// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Recordings written by the program's own writers, for the export tests.
#include "data/DateTime.h"
#include "data/TFrmSDFdata.h"
#include "tests/ScratchFolder.h"
#include "tests/ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tessary::testing {

// Two channels with coefficients and the sample k*100 + c*10 + i at step i of channel c of
// burst k; step 2 of channel 1 is missing. `valueNum` per-burst values hold k.
inline void WriteRecording(const std::string& path, bool tsd, int bursts, std::int32_t steps = 4,
                           std::int16_t valueNum = 0) {
    ScriptedDialogs dialogs;
    TFrmSDFdata holder(dialogs);
    MeasurementParameters& r = holder.Record();
    r.Memo = "export";
    r.ChNum = 2;
    r.BurstValueNum = valueNum;
    r.DataNum = steps;
    r.SInterval = 10;
    r.SITUnit = UnitUsec;
    r.Iteration = static_cast<std::int16_t>(bursts);
    r.BInterval = 1;
    r.BITUnit = UnitSec;
    r.StartTime = EncodeDateTime({2025, 6, 7, 8, 9, 10, 0});
    r.Channels[0] = {"Pressure", "kPa", 0.5f, 1.0f};
    r.Channels[1] = {"Temp", "mV", 1.0f, 0.0f};
    for (int e = 0; e < valueNum; ++e) {
        r.Channels[static_cast<std::size_t>(2 + e)] = {"Count", "n", 2.0f, 0.0f};
    }
    r.AllocateSampleBuffers();
    r.TargetFileName = path;
    ASSERT_TRUE(tsd ? holder.WriteTsdHeader(path) : holder.WriteSdfHeader(path));
    for (int k = 0; k < bursts; ++k) {
        for (std::size_t c = 0; c < 2; ++c) {
            for (std::size_t i = 0; i < static_cast<std::size_t>(steps); ++i) {
                r.Samples[c][i] = static_cast<std::int16_t>(k * 100 + c * 10 + i % 1000);
            }
        }
        if (steps > 2) {
            r.Samples[1][2] = ErrorValue;
        }
        for (auto& value : r.BurstValues) {
            value = static_cast<std::int16_t>(k);
        }
        ASSERT_TRUE(tsd ? holder.WriteTsdBlock(k) : holder.WriteSdfBlock(k));
    }
}

inline std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace tessary::testing
