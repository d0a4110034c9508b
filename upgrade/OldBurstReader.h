// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "data/PosixFile.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tessary {

// Reads the bursts of an SDF file of layout 1 to 3 in order, many at a time. Each burst
// starts on a 256-byte sector and is padded to whole sectors; the padding is skipped. The
// values come back in the current layout: 32767, the old mark of a missing sample, is
// turned into -32768, every other value is kept.
class OldBurstReader {
public:
    // `firstBurst` is the byte offset of burst 0, `stride` the bytes from one burst to the
    // next (at least 1), `blockBytes` the bytes of values in each (at most `stride`),
    // `bursts` how many there are.
    OldBurstReader(std::string path, std::int64_t firstBurst, std::int64_t stride,
                   std::int32_t blockBytes, int bursts);

    // The values of burst k, valid until the next call. Bursts are asked for in order.
    // A file that cannot be read, or ends before the burst does, is an InOutError.
    std::span<const unsigned char> Burst(int k);

private:
    void Open();
    void Load(int k);
    void Fill(std::size_t n);
    [[noreturn]] void Fail(const std::string& what) const;

    std::string path_;
    std::int64_t firstBurst_;
    std::int64_t stride_;
    std::int32_t blockBytes_;
    int bursts_;
    PosixFile file_;
    std::int64_t fileSize_ = 0;
    std::int64_t position_ = 0; // next byte that the file gives
    std::vector<unsigned char> buffer_;
    std::size_t held_ = 0; // bytes of buffer_ read from the file
    int first_ = 0;        // burst at the start of buffer_
    int count_ = 0;        // bursts that buffer_ was loaded for
};

} // namespace tessary
