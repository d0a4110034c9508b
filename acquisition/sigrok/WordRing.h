// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace tessary {

// A ring of raw words between exactly one producer thread (the device's session) and one
// consumer thread (the engine), without locks: each side owns one counter and reads the
// other's with acquire ordering, so the words a Pop sees are completely written.
class WordRing {
public:
    explicit WordRing(std::size_t capacity);

    // Producer: appends all of `words`, or none of them when they do not fit (the reader
    // has fallen behind by more than the capacity). False then.
    bool Push(std::span<const std::uint16_t> words);

    // Consumer: moves up to out.size() waiting words to `out`, oldest first; the number moved.
    std::size_t Pop(std::span<std::uint16_t> out);

    // Either side: the words waiting now.
    std::size_t Waiting() const;
    std::size_t Capacity() const { return capacity_; }

private:
    std::size_t capacity_;
    std::unique_ptr<std::uint16_t[]> words_;
    std::atomic<std::size_t> written_{0}; // words pushed since the start, advanced by the producer
    std::atomic<std::size_t> read_{0};    // words popped since the start, advanced by the consumer
};

} // namespace tessary
