// SPDX-License-Identifier: GPL-3.0-or-later
#include "upgrade/OldBurstReader.h"

#include "data/Errors.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <system_error>

namespace tessary {

namespace {

// Bursts are read in groups of about this many bytes, small enough to stay in the
// processor's cache between reading, marking and writing; a larger burst is read whole.
constexpr std::int64_t ChunkBytes = 1 << 20;

// The two marks as they lie in the file, whatever the byte order of this machine.
constexpr std::uint16_t OldMark =
    std::bit_cast<std::uint16_t>(std::array<unsigned char, 2>{0xFF, 0x7F});
constexpr std::uint16_t NewMark =
    std::bit_cast<std::uint16_t>(std::array<unsigned char, 2>{0x00, 0x80});

// Eight values at a time; the compiler turns this into vector instructions.
using Lanes = std::uint16_t __attribute__((vector_size(16)));

void ReplaceOldMarks(unsigned char* data, std::size_t bytes) {
    const Lanes oldMarks = Lanes{} + OldMark;
    const Lanes newMarks = Lanes{} + NewMark;
    std::size_t i = 0;
    for (; i + sizeof(Lanes) <= bytes; i += sizeof(Lanes)) {
        Lanes v;
        std::memcpy(&v, data + i, sizeof v);
        const auto hit = reinterpret_cast<Lanes>(v == oldMarks);
        v = (v & ~hit) | (newMarks & hit);
        std::memcpy(data + i, &v, sizeof v);
    }
    for (; i + 1 < bytes; i += 2) {
        std::uint16_t v;
        std::memcpy(&v, data + i, 2);
        v = v == OldMark ? NewMark : v;
        std::memcpy(data + i, &v, 2);
    }
}

std::string Reason(int error) {
    return std::generic_category().message(error);
}

} // namespace

OldBurstReader::OldBurstReader(std::string path, std::int64_t firstBurst, std::int64_t stride,
                               std::int32_t blockBytes, int bursts)
    : path_(std::move(path)), firstBurst_(firstBurst), stride_(stride), blockBytes_(blockBytes),
      bursts_(bursts) {}

std::span<const unsigned char> OldBurstReader::Burst(int k) {
    if (!file_.IsOpen()) {
        Open();
    }
    if (k < first_ || k >= first_ + count_) {
        Load(k);
    }
    const std::int64_t offset = std::int64_t{k - first_} * stride_;
    if (offset + blockBytes_ > static_cast<std::int64_t>(held_)) {
        const std::int64_t end = firstBurst_ + std::int64_t{k} * stride_ + blockBytes_;
        Fail("ends before burst " + std::to_string(k + 1) + " of " + std::to_string(bursts_) +
             " (its header promises at least " + std::to_string(end) + " bytes, the file has " +
             std::to_string(fileSize_) + ")");
    }
    return {buffer_.data() + offset, static_cast<std::size_t>(blockBytes_)};
}

void OldBurstReader::Open() {
    if (!file_.Open(path_, O_RDONLY)) {
        Fail("cannot be opened: " + Reason(errno));
    }
    struct stat st {};
    if (::stat(path_.c_str(), &st) != 0) {
        Fail("cannot be examined: " + Reason(errno));
    }
    fileSize_ = st.st_size;
}

void OldBurstReader::Load(int k) {
    const std::int64_t start = firstBurst_ + std::int64_t{k} * stride_;
    if (start < position_) {
        throw std::logic_error("Bursts of an old SDF file are read in order");
    }
    first_ = k;
    count_ = static_cast<int>(std::clamp<std::int64_t>(ChunkBytes / stride_, 1, bursts_ - k));
    held_ = 0;
    // Skip to the burst (the header, before the first one) without keeping the bytes.
    while (position_ < start) {
        Fill(static_cast<std::size_t>(std::min(start - position_, ChunkBytes)));
        if (held_ == 0) {
            return; // the file ends before the burst
        }
    }
    // Whole strides keep the next group on a burst's start; the last burst needs no padding.
    const std::int64_t wanted =
        k + count_ == bursts_ ? (count_ - 1) * stride_ + blockBytes_ : count_ * stride_;
    const std::int64_t available = std::max<std::int64_t>(0, fileSize_ - position_);
    Fill(static_cast<std::size_t>(std::min(wanted, available)));
    ReplaceOldMarks(buffer_.data(), held_);
}

void OldBurstReader::Fill(std::size_t n) {
    if (buffer_.size() < n) {
        buffer_.resize(n);
    }
    const ssize_t got = file_.Read(buffer_.data(), n);
    if (got < 0) {
        Fail("cannot be read: " + Reason(errno));
    }
    held_ = static_cast<std::size_t>(got);
    position_ += got;
}

void OldBurstReader::Fail(const std::string& what) const {
    throw InOutError("The file " + path_ + " " + what);
}

} // namespace tessary
