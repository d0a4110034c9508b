#include "data/SdfBlockReader.h"

#include "data/FileError.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tessary {

SdfBlockReader::SdfBlockReader(const std::string& path, const SdfLayoutInfo& layout)
    : path_(path), layout_(layout) {
    fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        throw FileError(path_, std::string("cannot be opened (") + std::strerror(errno) + ")");
    }
    bytes_.resize(static_cast<std::size_t>(layout_.BlockValues) * 2);
}

SdfBlockReader::~SdfBlockReader() {
    ::close(fd_);
}

void SdfBlockReader::Read(std::int64_t k, MeasurementParameters& record) {
    const std::int64_t offset = layout_.HeaderBytes + k * layout_.BlockStride;
    std::size_t done = 0;
    while (done < bytes_.size()) {
        const ssize_t n = ::pread(fd_, bytes_.data() + done, bytes_.size() - done,
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
    const bool oldMark = layout_.OldMissingMark();
    std::size_t pos = 0;
    const auto next = [&]() {
        const auto value = static_cast<std::int16_t>(bytes_[pos] | (bytes_[pos + 1] << 8));
        pos += 2;
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
