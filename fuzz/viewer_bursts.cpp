// SPDX-License-Identifier: GPL-3.0-or-later
// Any byte sequence opened in the viewer, SDF or TSD by its first bytes: its complete bursts
// are read and indexed, drawn at several zooms and measured; the result is a burst to show or
// a reason that names the file, never a crash, a hang or an allocation that the file's complete
// blocks do not hold.
#include "FuzzDialogs.h"

#include "data/Errors.h"
#include "viewer/BurstTiming.h"
#include "viewer/CursorReading.h"
#include "viewer/ShownBurst.h"
#include "viewer/ViewedRecording.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = tessary::fuzz::InputFile(data, size, ".dat");
    tessary::ViewedRecording viewed = tessary::ViewedRecording::Open(path);
    if (!viewed.Source) {
        return 0;
    }
    const tessary::BurstTiming timing(viewed.Source->Header());
    std::vector<tessary::ChartPoint> line;
    try {
        for (std::int64_t k = 0; k < std::min<std::int64_t>(viewed.Source->Bursts(), 8); ++k) {
            const auto burst = tessary::ShownBurst::Read(*viewed.Source, k);
            const double whole = burst->Duration();
            for (int c = 0; c < burst->Channels(); ++c) {
                const tessary::ChannelView& channel = burst->Channel(c);
                for (const double share : {1.0, 0.01, 1e-6}) {
                    channel.Plot(300, whole * (1 - share) / 2, whole * (1 + share) / 2, line);
                    double low = 0.0;
                    double high = 0.0;
                    channel.ValueRange(0.0, whole * share, low, high);
                }
                channel.Statistics(0, channel.Scans());
            }
            tessary::CursorReading::At(*burst, timing, whole / 3);
        }
    } catch (const tessary::TessaryError&) {
    }
    return 0;
}
