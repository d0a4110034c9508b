// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/sigrok/WordRing.h"

#include <algorithm>

namespace tessary {

WordRing::WordRing(std::size_t capacity)
    : capacity_(std::max<std::size_t>(capacity, 1)),
      words_(std::make_unique<std::uint16_t[]>(capacity_)) {}

bool WordRing::Push(std::span<const std::uint16_t> words) {
    const std::size_t written = written_.load(std::memory_order_relaxed);
    const std::size_t read = read_.load(std::memory_order_acquire);
    if (words.size() > capacity_ - (written - read)) {
        return false;
    }
    const std::size_t at = written % capacity_;
    const std::size_t first = std::min(words.size(), capacity_ - at);
    std::copy_n(words.begin(), first, words_.get() + at);
    std::copy(words.begin() + static_cast<std::ptrdiff_t>(first), words.end(), words_.get());
    written_.store(written + words.size(), std::memory_order_release);
    return true;
}

std::size_t WordRing::Pop(std::span<std::uint16_t> out) {
    const std::size_t read = read_.load(std::memory_order_relaxed);
    const std::size_t written = written_.load(std::memory_order_acquire);
    const std::size_t n = std::min(out.size(), written - read);
    const std::size_t at = read % capacity_;
    const std::size_t first = std::min(n, capacity_ - at);
    std::copy_n(words_.get() + at, first, out.begin());
    std::copy_n(words_.get(), n - first, out.begin() + static_cast<std::ptrdiff_t>(first));
    read_.store(read + n, std::memory_order_release);
    return n;
}

std::size_t WordRing::Waiting() const {
    return written_.load(std::memory_order_acquire) - read_.load(std::memory_order_acquire);
}

} // namespace tessary
