// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/sigrok/ScanAssembler.h"

#include <algorithm>

namespace tessary {

ScanAssembler::ScanAssembler(WordRing& ring, int channels, std::int64_t scans)
    : ring_(ring), scans_(std::max<std::int64_t>(scans, 0)),
      pending_(static_cast<std::size_t>(std::max(channels, 1))), head_(pending_.size(), 0),
      received_(pending_.size(), 0) {}

bool ScanAssembler::Add(int channel, std::span<const std::uint16_t> words) {
    if (overflowed_ || channel < 0 || static_cast<std::size_t>(channel) >= pending_.size()) {
        return !overflowed_;
    }
    const auto c = static_cast<std::size_t>(channel);
    const std::int64_t room = scans_ - received_[c];
    const auto take = static_cast<std::size_t>(
        std::clamp<std::int64_t>(static_cast<std::int64_t>(words.size()), 0, room));
    pending_[c].insert(pending_[c].end(), words.begin(),
                       words.begin() + static_cast<std::ptrdiff_t>(take));
    received_[c] += static_cast<std::int64_t>(take);
    PushReadyScans();
    return !overflowed_;
}

void ScanAssembler::PushReadyScans() {
    const std::int64_t ready = *std::min_element(received_.begin(), received_.end());
    const auto scans = static_cast<std::size_t>(ready - assembled_);
    if (scans == 0) {
        return;
    }
    const std::size_t channels = pending_.size();
    scanWords_.resize(scans * channels);
    for (std::size_t c = 0; c < channels; ++c) {
        std::vector<std::uint16_t>& samples = pending_[c];
        for (std::size_t i = 0; i < scans; ++i) {
            scanWords_[i * channels + c] = samples[head_[c] + i];
        }
        head_[c] += scans;
        if (head_[c] * 2 >= samples.size()) {
            samples.erase(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(head_[c]));
            head_[c] = 0;
        }
    }
    if (!ring_.Push(scanWords_)) {
        overflowed_ = true;
        return;
    }
    assembled_ = ready;
}

} // namespace tessary
