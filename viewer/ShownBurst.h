// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "viewer/BurstTiming.h"
#include "viewer/ChannelView.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace tessary {

class RecordingSource;

// One complete burst of a recording as the viewer holds it: its samples exactly as read (the
// stored 16-bit values of an SDF block, or the values of a TSD block), once, in file order,
// and an index of every channel built when it was read. Nothing here changes after Read, so
// a burst read on a worker thread can be handed to the window whole.
class ShownBurst {
public:
    // Reads burst k (0-based) of `source` and indexes its channels. The source's reading
    // errors (a FileError naming the file) are raised.
    static std::unique_ptr<ShownBurst> Read(RecordingSource& source, std::int64_t k);
    ShownBurst(const ShownBurst&) = delete;
    ShownBurst& operator=(const ShownBurst&) = delete;

    std::int64_t Number() const { return number_; } // 0-based
    std::int64_t Scans() const { return scans_; }
    int Channels() const { return static_cast<int>(channels_.size()); }
    const ChannelView& Channel(int c) const { return *channels_.at(static_cast<std::size_t>(c)); }
    // The per-burst values in engineering units; nothing for a missing one.
    const std::vector<std::optional<double>>& BurstValues() const { return burstValues_; }
    // The time the whole burst spans, in the timing's unit: from 0 to the last sample.
    double Duration() const;

    // Bytes of samples and indexes held.
    std::size_t HeldBytes() const;

private:
    ShownBurst() = default;

    std::int64_t number_ = 0;
    std::int64_t scans_ = 0;
    std::vector<std::int16_t> stored_;
    std::vector<double> values_;
    std::vector<std::unique_ptr<ChannelView>> channels_;
    std::vector<std::optional<double>> burstValues_;
};

} // namespace tessary
