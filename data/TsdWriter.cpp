// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/TsdWriter.h"

#include "data/DateTime.h"
#include "data/Errors.h"
#include "data/GeneralFormat.h"
#include "data/PosixFile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <limits>

namespace tessary {

namespace {

constexpr int Digits = 7;

// Room for one value and its separator.
constexpr std::size_t ValueRoom = GeneralFormatMaxChars + 1;

// Text formatted before it is appended: large enough that a block costs few writes, small
// enough that the worst case (4 scaled channels of 10 M data would take 1.3 GB at once) stays
// bounded and the piece is still in the cache when the write copies it.
constexpr std::size_t PieceBytes = 1024 * 1024;

template <typename Column> std::string JoinRows(int rows, Column column) {
    std::string line;
    for (int row = 0; row < rows; ++row) {
        if (row > 0) {
            line += ',';
        }
        line += column(row);
    }
    return line;
}

// Engineering value of one row: A·X + B in extended precision, rounded to a double.
class ValueFormat {
public:
    explicit ValueFormat(const ChannelSpec& spec)
        : a_(spec.A), b_(spec.B), identity_(spec.A == 1.0f && spec.B == 0.0f) {}

    // Characters of one value and its separator at the most.
    std::size_t Room() const { return identity_ ? 7 : ValueRoom; }

    char* Write(char* out, std::int16_t x) const {
        if (x == ErrorValue) {
            *out = '=';
            return out + 1;
        }
        if (identity_) {
            return std::to_chars(out, out + ValueRoom, x).ptr;
        }
        return FormatGeneralTo(out, static_cast<double>(a_ * x + b_), Digits);
    }

private:
    long double a_;
    long double b_;
    bool identity_;
};

} // namespace

std::string TsdWriter::EncodeHeader(const MeasurementParameters& record) {
    const int rows = record.ChNum + record.BurstValueNum;
    if (record.ChNum < 0 || record.BurstValueNum < 0 || rows > ChannelRows) {
        throw RangeError("Channel count " + std::to_string(record.ChNum) + " with " +
                         std::to_string(record.BurstValueNum) +
                         " per-burst values does not fit the channel table of 129 rows");
    }
    const auto& channels = record.Channels;
    const auto at = [&channels](int row) -> const ChannelSpec& {
        return channels[static_cast<std::size_t>(row)];
    };
    std::string out;
    const auto line = [&out](std::string_view text) {
        out += text;
        out += "\r\n";
    };
    line(std::string(TsdMagic) + "2");
    line(record.Memo);
    line(FormatDateTimeMs(record.StartTime));
    line(std::to_string(record.SInterval) + " " + std::string(TimeUnitAt(record.SITUnit).Name));
    line(std::to_string(record.Iteration));
    line(std::to_string(record.BInterval) + " " + std::string(TimeUnitAt(record.BITUnit).Name));
    line(std::to_string(record.ChNum) + "," + std::to_string(record.BurstValueNum));
    line(std::to_string(record.DataNum));
    line(JoinRows(rows, [&](int r) { return FormatGeneral(at(r).A, Digits); }));
    line(JoinRows(rows, [&](int r) { return FormatGeneral(at(r).B, Digits); }));
    line(JoinRows(rows, [&](int r) { return at(r).Item; }));
    line(JoinRows(rows, [&](int r) { return at(r).Unit; }));
    return out;
}

bool TsdWriter::WriteHeader(const MeasurementParameters& record, const std::string& path) {
    std::string text;
    try {
        text = EncodeHeader(record);
    } catch (const TessaryError&) {
        error_ = EINVAL;
        return false;
    }
    return PosixFile::WriteFileStart(path, O_WRONLY | O_CREAT | O_TRUNC, text.data(), text.size(),
                                     durable_, error_);
}

bool TsdWriter::FormatBlock(const MeasurementParameters& record, std::int32_t k,
                            const PieceSink& put) {
    error_ = EINVAL; // sizes or buffers that do not agree
    const int channels = record.ChNum;
    const int values = record.BurstValueNum;
    const std::int32_t steps = record.DataNum;
    if (k < 0 || channels < 0 || values < 0 || channels + values > ChannelRows || steps < 0 ||
        record.Samples.size() < static_cast<std::size_t>(channels) ||
        record.BurstValues.size() < static_cast<std::size_t>(values)) {
        return false;
    }
    for (int c = 0; c < channels; ++c) {
        if (record.Samples[static_cast<std::size_t>(c)].size() < static_cast<std::size_t>(steps)) {
            return false;
        }
    }
    std::vector<ValueFormat> formats;
    formats.reserve(static_cast<std::size_t>(channels + values));
    for (int row = 0; row < channels + values; ++row) {
        formats.emplace_back(record.Channels[static_cast<std::size_t>(row)]);
    }
    std::size_t stepRoom = 2;
    for (int c = 0; c < channels; ++c) {
        stepRoom += formats[static_cast<std::size_t>(c)].Room();
    }
    // Room for a piece and the longest line that may end it: the number line, a time step,
    // or the line of per-burst values.
    const std::size_t lineRoom =
        std::max({std::size_t{16}, stepRoom, static_cast<std::size_t>(values) * ValueRoom + 2});
    try {
        text_.resize(PieceBytes + lineRoom);
    } catch (const std::bad_alloc&) {
        error_ = ENOMEM;
        return false;
    }
    error_ = 0; // from here on, `put` says why it stopped

    char* out = text_.data();
    bool going = true;
    // Hands the text formatted so far on once a piece is full, or at the end.
    const auto flush = [&](bool always) {
        const auto used = static_cast<std::size_t>(out - text_.data());
        if (going && (always || used >= PieceBytes)) {
            going = put(std::string_view(text_.data(), used));
            out = text_.data();
        }
    };
    const auto endLine = [&out]() {
        *out++ = '\r';
        *out++ = '\n';
    };
    *out++ = 'N';
    *out++ = 'o';
    *out++ = '.';
    out = std::to_chars(out, out + 12, std::int64_t{k} + 1).ptr;
    endLine();
    for (std::int32_t step = 0; going && step < steps; ++step) {
        for (int c = 0; c < channels; ++c) {
            if (c > 0) {
                *out++ = ',';
            }
            const auto& samples = record.Samples[static_cast<std::size_t>(c)];
            out = formats[static_cast<std::size_t>(c)].Write(
                out, samples[static_cast<std::size_t>(step)]);
        }
        endLine();
        flush(false);
    }
    if (values > 0) {
        for (int i = 0; i < values; ++i) {
            if (i > 0) {
                *out++ = ',';
            }
            out = formats[static_cast<std::size_t>(channels + i)].Write(
                out, record.BurstValues[static_cast<std::size_t>(i)]);
        }
        endLine();
    }
    flush(true);
    return going;
}

bool TsdWriter::WriteBlock(const MeasurementParameters& record, std::int32_t k) {
    PosixFile file;
    if (!file.Open(record.TargetFileName, O_WRONLY | O_APPEND)) {
        error_ = file.LastError();
        return false;
    }
    const off_t before = file.Size();
    bool written = before >= 0 && FormatBlock(record, k, [&file](std::string_view piece) {
                       return file.Write(piece.data(), piece.size());
                   });
    written = written && (!durable_ || file.DataSync());
    if (!written) {
        error_ = error_ != 0 ? error_ : file.LastError();
        if (before >= 0) {
            file.Truncate(before);
        }
        return false;
    }
    if (!file.Close()) {
        error_ = file.LastError();
        return false;
    }
    error_ = 0;
    return true;
}

} // namespace tessary
