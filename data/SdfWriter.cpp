// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/SdfWriter.h"

#include "data/Cp932.h"
#include "data/Errors.h"
#include "data/PosixFile.h"
#include "data/SdfLayout.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Bytes of a block interleaved and written at a time: few enough writes to cost what one
// write does, and still in the processor's cache when the write copies them (measured:
// 1 MiB pieces beat both 256 KiB and 2 MiB).
constexpr std::size_t PieceBytes = 1024 * 1024;

unsigned char* PutLittleEndian(unsigned char* out, std::int16_t v) {
    auto u = static_cast<std::uint16_t>(v);
    if constexpr (std::endian::native == std::endian::big) {
        u = static_cast<std::uint16_t>((u >> 8) | (u << 8));
    }
    std::memcpy(out, &u, 2);
    return out + 2;
}

// Writes time step after time step, each with its channels' samples, as little-endian words.
// The writes run in order and each channel is read in order, which keeps the memory traffic
// sequential; the common channel counts get a loop the compiler unrolls.
template <int Channels>
void InterleaveFixed(const std::vector<std::vector<std::int16_t>>& samples, std::int32_t first,
                     std::int32_t steps, unsigned char* out) {
    const std::int16_t* src[Channels];
    for (int c = 0; c < Channels; ++c) {
        src[c] = samples[static_cast<std::size_t>(c)].data() + first;
    }
    std::int32_t i = 0;
#if defined(__SSE2__)
    // x86 is little-endian: unpacking words of the channels in registers gives the file's
    // order eight time steps at a time.
    if constexpr (Channels == 2 || Channels == 4) {
        const auto load = [&](int c) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i*>(src[c] + i));
        };
        const auto store = [&](__m128i v) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
            out += 16;
        };
        for (; i + 8 <= steps; i += 8) {
            if constexpr (Channels == 2) {
                const __m128i a = load(0);
                const __m128i b = load(1);
                store(_mm_unpacklo_epi16(a, b));
                store(_mm_unpackhi_epi16(a, b));
            } else {
                const __m128i ab0 = _mm_unpacklo_epi16(load(0), load(1));
                const __m128i ab1 = _mm_unpackhi_epi16(load(0), load(1));
                const __m128i cd0 = _mm_unpacklo_epi16(load(2), load(3));
                const __m128i cd1 = _mm_unpackhi_epi16(load(2), load(3));
                store(_mm_unpacklo_epi32(ab0, cd0));
                store(_mm_unpackhi_epi32(ab0, cd0));
                store(_mm_unpacklo_epi32(ab1, cd1));
                store(_mm_unpackhi_epi32(ab1, cd1));
            }
        }
    }
#endif
    for (; i < steps; ++i) {
        for (int c = 0; c < Channels; ++c) {
            out = PutLittleEndian(out, src[c][i]);
        }
    }
}

void Interleave(const std::vector<std::vector<std::int16_t>>& samples, int channels,
                std::int32_t first, std::int32_t steps, unsigned char* out) {
    switch (channels) {
    case 1:
        return InterleaveFixed<1>(samples, first, steps, out);
    case 2:
        return InterleaveFixed<2>(samples, first, steps, out);
    case 3:
        return InterleaveFixed<3>(samples, first, steps, out);
    case 4:
        return InterleaveFixed<4>(samples, first, steps, out);
    default:
        break;
    }
    for (std::int32_t i = first; i < first + steps; ++i) {
        for (int c = 0; c < channels; ++c) {
            out = PutLittleEndian(
                out, samples[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)]);
        }
    }
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

std::int64_t SdfWriter::BlockOffset(const MeasurementParameters& record, std::int64_t k) {
    return std::int64_t{record.HeaderBlocks} * std::int64_t{sdf::AreaBytes} +
           k * std::int64_t{record.BlockBytes};
}

std::int64_t SdfWriter::MaxBlocks(const MeasurementParameters& record) {
    const std::int64_t room = MaxBlockOffset - BlockOffset(record, 0);
    if (room < 0) {
        return 0;
    }
    return record.BlockBytes > 0 ? room / record.BlockBytes + 1
                                 : std::numeric_limits<std::int64_t>::max();
}

bool SdfWriter::WriteHeader(const MeasurementParameters& record, const std::string& path) {
    std::string bytes;
    try {
        bytes = EncodeHeader(record);
    } catch (const TessaryError&) {
        error_ = EINVAL;
        return false;
    }
    return PosixFile::WriteFileStart(path, O_WRONLY | O_CREAT, bytes.data(), bytes.size(), durable_,
                                     error_);
}

bool SdfWriter::WriteBlock(MeasurementParameters& record, std::int32_t k) {
    error_ = 0;
    const bool written = WriteBlockTo(record, k);
    if (!written && error_ == 0) {
        error_ = EINVAL; // sizes or buffers that do not agree
    }
    return written;
}

bool SdfWriter::WriteBlockTo(MeasurementParameters& record, std::int32_t k) {
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
    const std::int64_t offset = BlockOffset(record, k);
    if (offset > MaxBlockOffset) {
        error_ = EFBIG;
        return false;
    }
    const auto bytes = static_cast<std::size_t>(record.BlockBytes);

    PosixFile file;
    if (!file.Open(record.TargetFileName, O_WRONLY)) {
        error_ = file.LastError();
        return false;
    }
    const off_t before = file.Size();
    bool written = before >= 0;
    // One channel without per-burst values on a little-endian host: the samples already are
    // the block's bytes.
    bool direct = false;
    if constexpr (std::endian::native == std::endian::little) {
        direct = channels == 1 && values == 0;
    }
    if (written && direct) {
        written = file.WriteAt(record.Samples[0].data(), bytes, static_cast<off_t>(offset));
    }
    // Otherwise the block is interleaved a piece at a time and each piece written while it is
    // still in the cache, so the samples cross memory once, as a plain write of ready bytes
    // would.
    const std::size_t stride = static_cast<std::size_t>(channels) * 2;
    const auto pieceSteps =
        static_cast<std::int32_t>(std::max<std::size_t>(1, PieceBytes / stride));
    for (std::int32_t first = 0; written && !direct && first < steps; first += pieceSteps) {
        const std::int32_t n = std::min(pieceSteps, steps - first);
        const bool last = first + n == steps;
        const std::size_t pieceBytes = static_cast<std::size_t>(n) * stride +
                                       (last ? static_cast<std::size_t>(values) * 2 : 0);
        try {
            block_.resize(pieceBytes);
        } catch (const std::bad_alloc&) {
            error_ = ENOMEM;
            return false;
        }
        Interleave(record.Samples, channels, first, n, block_.data());
        if (last) {
            unsigned char* out = block_.data() + static_cast<std::size_t>(n) * stride;
            for (int i = 0; i < values; ++i) {
                out = PutLittleEndian(out, record.BurstValues[static_cast<std::size_t>(i)]);
            }
        }
        written = file.WriteAt(
            block_.data(), pieceBytes,
            static_cast<off_t>(offset + std::int64_t{first} * static_cast<std::int64_t>(stride)));
    }
    written = written && (!durable_ || file.DataSync());
    if (!written) {
        error_ = file.LastError();
        // A block that lengthened the file goes again, so that no part of it is read as data.
        if (before >= 0 && before <= offset) {
            file.Truncate(before);
        }
        return false;
    }
    if (!file.Close()) {
        error_ = file.LastError();
        return false;
    }
    return true;
}

} // namespace tessary
