// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/SdfBlockReader.h"

#include "data/FileError.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessary {

SdfBlockReader::SdfBlockReader(const std::string& path, const SdfLayoutInfo& layout)
    : path_(path), layout_(layout) {
    fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        throw FileError(path_, std::string("cannot be opened (") + std::strerror(errno) + ")");
    }
    struct stat info {};
    if (::fstat(fd_, &info) != 0) {
        const std::string reason = std::strerror(errno);
        ::close(fd_);
        throw FileError(path_, "cannot be examined (" + reason + ")");
    }
    fileBytes_ = info.st_size;
}

SdfBlockReader::~SdfBlockReader() {
    ::close(fd_);
}

std::span<const std::int16_t> SdfBlockReader::ReadStored(std::int64_t k) {
    ReadStored(k, values_);
    return values_;
}

void SdfBlockReader::ReadStored(std::int64_t k, std::vector<std::int16_t>& into) const {
    const std::int64_t offset = BlockOffset(k);
    if (fileBytes_ - offset < layout_.BlockValues * 2) {
        throw FileError(path_, "the file ends inside block " + std::to_string(k + 1));
    }
    into.resize(static_cast<std::size_t>(layout_.BlockValues));
    auto* bytes = reinterpret_cast<unsigned char*>(into.data());
    const std::size_t size = into.size() * 2;
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd_, bytes + done, size - done,
                                  static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            throw FileError(path_, "block " + std::to_string(k + 1) + " cannot be read (" +
                                       std::strerror(errno) + ")");
        }
        if (n == 0) {
            throw FileError(path_, "the file ends inside block " + std::to_string(k + 1));
        }
        done += static_cast<std::size_t>(n);
    }
    if constexpr (std::endian::native == std::endian::big) {
        for (std::int16_t& value : into) {
            const auto bits = static_cast<std::uint16_t>(value);
            value = static_cast<std::int16_t>((bits >> 8) | (bits << 8));
        }
    }
}

void SdfBlockReader::Read(std::int64_t k, MeasurementParameters& record) {
    const std::span<const std::int16_t> stored = ReadStored(k);
    record.AllocateSampleBuffers();
    const bool oldMark = layout_.OldMissingMark();
    std::size_t pos = 0;
    const auto next = [&]() {
        const std::int16_t value = stored[pos++];
        return oldMark && value == OldErrorValue ? ErrorValue : value;
    };
    const auto steps = static_cast<std::size_t>(record.DataNum);
    const auto channels = static_cast<std::size_t>(record.ChNum);
    for (std::size_t j = 0; j < steps; ++j) {
        for (std::size_t c = 0; c < channels; ++c) {
            record.Samples[c][j] = next();
        }
    }
    for (std::size_t e = 0; e < static_cast<std::size_t>(record.BurstValueNum); ++e) {
        record.BurstValues[e] = next();
    }
}

} // namespace tessary
