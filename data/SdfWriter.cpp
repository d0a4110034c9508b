#include "data/SdfWriter.h"

#include "data/Cp932.h"
#include "data/Errors.h"
#include "data/PosixFile.h"
#include "data/SdfLayout.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <fcntl.h>
#include <limits>

namespace tessary {

namespace {

// Appends header fields: texts cut and space-padded to their width, numbers little-endian.
class ByteSink {
public:
    explicit ByteSink(std::string& out) : out_(out) {}

    void Text(std::string_view text, std::size_t width) {
        const std::string cut = CutToBytes(text, width);
        out_ += cut;
        out_.append(width - cut.size(), ' ');
    }
    template <typename T> void Number(T value) {
        auto bits = std::bit_cast<std::make_unsigned_t<IntOf<T>>>(value);
        for (std::size_t i = 0; i < sizeof(T); ++i) {
            out_ += static_cast<char>(bits & 0xFF);
            bits = static_cast<decltype(bits)>(bits >> 8);
        }
    }
    void PadTo(std::size_t multiple) {
        const std::size_t rest = out_.size() % multiple;
        if (rest != 0) {
            out_.append(multiple - rest, ' ');
        }
    }

private:
    template <typename T>
    using IntOf =
        std::conditional_t<std::is_same_v<T, float>, std::int32_t,
                           std::conditional_t<std::is_same_v<T, double>, std::int64_t, T>>;

    std::string& out_;
};

unsigned char* PutLittleEndian(unsigned char* out, std::int16_t v) {
    auto u = static_cast<std::uint16_t>(v);
    if constexpr (std::endian::native == std::endian::big) {
        u = static_cast<std::uint16_t>((u >> 8) | (u << 8));
    }
    std::memcpy(out, &u, 2);
    return out + 2;
}

} // namespace

std::string SdfWriter::EncodeHeader(const MeasurementParameters& record) {
    const int rows = record.ChNum + record.BurstValueNum;
    if (record.ChNum < 0 || record.BurstValueNum < 0 || rows > ChannelRows) {
        throw RangeError("Channel count " + std::to_string(record.ChNum) + " with " +
                         std::to_string(record.BurstValueNum) +
                         " per-burst values does not fit the channel table of 129 rows");
    }
    std::string out;
    out.reserve(static_cast<std::size_t>(HeaderBlocksFor(rows)) * sdf::AreaBytes);
    ByteSink sink(out);
    sink.Text(std::string(sdf::Magic) + sdf::WrittenVersion, sdf::MemoOffset);
    sink.Text(record.Memo, sdf::MemoFieldBytes);
    sink.Number(record.ChNum);
    sink.Number(record.BurstValueNum);
    sink.Number(record.DataNum);
    sink.Number(record.SInterval);
    sink.Number(record.SITUnit);
    sink.Number(record.Iteration);
    sink.Number(record.BInterval);
    sink.Number(record.BITUnit);
    sink.Number(record.StartTime);
    out.append(sdf::ReservedBytes, ' ');
    for (int row = 0; row < rows; ++row) {
        const ChannelSpec& spec = record.Channel(row);
        sink.Text(spec.Item, sdf::ItemFieldBytes);
        sink.Text(spec.Unit, sdf::UnitFieldBytes);
        sink.Number(spec.A);
        sink.Number(spec.B);
    }
    sink.PadTo(sdf::AreaBytes);
    return out;
}

bool SdfWriter::WriteHeader(const MeasurementParameters& record, const std::string& path) {
    std::string bytes;
    try {
        bytes = EncodeHeader(record);
    } catch (const TessaryError&) {
        return false;
    }
    PosixFile file;
    if (!file.Open(path, O_WRONLY | O_CREAT)) {
        return false;
    }
    const bool written = file.WriteAt(bytes.data(), bytes.size(), 0);
    return file.Close() && written;
}

bool SdfWriter::WriteBlock(MeasurementParameters& record, std::int32_t k) {
    try {
        record.ComputeDerivedSizes();
    } catch (const TessaryError&) {
        return false;
    }
    const int channels = record.ChNum;
    const std::int32_t steps = record.DataNum;
    const int values = record.BurstValueNum;
    if (steps < 1 || channels < 1 || k < 0 ||
        record.Samples.size() < static_cast<std::size_t>(channels) ||
        record.BurstValues.size() < static_cast<std::size_t>(values)) {
        return false;
    }
    for (int c = 0; c < channels; ++c) {
        if (record.Samples[static_cast<std::size_t>(c)].size() < static_cast<std::size_t>(steps)) {
            return false;
        }
    }
    const std::int64_t offset = std::int64_t{record.HeaderBlocks} * std::int64_t{sdf::AreaBytes} +
                                std::int64_t{k} * record.BlockBytes;
    if (offset > std::numeric_limits<std::int32_t>::max()) {
        return false;
    }
    const auto bytes = static_cast<std::size_t>(record.BlockBytes);

    // One channel without per-burst values on a little-endian host: the samples already are
    // the block's bytes.
    const void* data = nullptr;
    if constexpr (std::endian::native == std::endian::little) {
        if (channels == 1 && values == 0) {
            data = record.Samples[0].data();
        }
    }
    if (data == nullptr) {
        try {
            block_.resize(bytes);
        } catch (const std::bad_alloc&) {
            return false;
        }
        // Channel by channel within tiles of time steps: each channel's samples are read
        // in order while the tile being filled stays in the cache.
        constexpr std::int32_t TileSteps = 4096;
        const std::size_t stride = static_cast<std::size_t>(channels) * 2;
        for (std::int32_t first = 0; first < steps; first += TileSteps) {
            const std::int32_t n = std::min(TileSteps, steps - first);
            unsigned char* tile = block_.data() + static_cast<std::size_t>(first) * stride;
            for (int c = 0; c < channels; ++c) {
                const std::int16_t* src =
                    record.Samples[static_cast<std::size_t>(c)].data() + first;
                unsigned char* dst = tile + static_cast<std::size_t>(c) * 2;
                for (std::int32_t i = 0; i < n; ++i) {
                    PutLittleEndian(dst + static_cast<std::size_t>(i) * stride, src[i]);
                }
            }
        }
        unsigned char* out = block_.data() + static_cast<std::size_t>(steps) * stride;
        for (int i = 0; i < values; ++i) {
            out = PutLittleEndian(out, record.BurstValues[static_cast<std::size_t>(i)]);
        }
        data = block_.data();
    }

    PosixFile file;
    if (!file.Open(record.TargetFileName, O_WRONLY)) {
        return false;
    }
    const bool written = file.WriteAt(data, bytes, static_cast<off_t>(offset));
    return file.Close() && written;
}

} // namespace tessary
