// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "acquisition/sigrok/WordRing.h"

#include <cstdint>
#include <span>
#include <vector>

namespace tessary {

// Turns a device's per-channel streams (libsigrok sends each channel's samples in packets
// of their own, in any order) into whole scans in scan order, channels 0 to n − 1 of scan 0,
// then scan 1, ..., pushed to the ring as soon as every channel has delivered them. Samples
// beyond the burst's scans are dropped, so nothing waits longer than one burst.
class ScanAssembler {
public:
    ScanAssembler(WordRing& ring, int channels, std::int64_t scans);

    // Words of one channel (0-based), in order. False when the ring overflowed; the scans
    // that did not fit are lost and later calls push nothing more.
    bool Add(int channel, std::span<const std::uint16_t> words);

    bool Complete() const { return assembled_ == scans_; }
    bool Overflowed() const { return overflowed_; }

private:
    void PushReadyScans();

    WordRing& ring_;
    std::int64_t scans_;
    std::int64_t assembled_ = 0;
    bool overflowed_ = false;
    // Per channel: samples from head_[c] on are not yet part of a pushed scan; received_[c]
    // counts all taken. The front is dropped once it is the larger part, so that a device
    // sending one whole channel before the next costs linear time.
    std::vector<std::vector<std::uint16_t>> pending_;
    std::vector<std::size_t> head_;
    std::vector<std::int64_t> received_;
    std::vector<std::uint16_t> scanWords_;
};

} // namespace tessary
