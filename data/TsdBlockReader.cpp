// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/TsdBlockReader.h"

#include "data/FileError.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tessary {

namespace {

constexpr std::size_t ReadBytes = std::size_t{1} << 20;
// As the index: no line of a file this program reads is longer.
constexpr std::size_t MaxLineBytes = 65536;

// The decimal exponent of a number's first significant digit (digits, a point, an exponent),
// for telling a number too large for a double from one too small.
long DecimalMagnitude(std::string_view number) {
    const std::size_t e = number.find_first_of("eE");
    const std::string_view mantissa = number.substr(0, e);
    long exponent = 0;
    if (e != std::string_view::npos) {
        std::string_view digits = number.substr(e + 1);
        const bool negative = digits.starts_with('-');
        if (negative || digits.starts_with('+')) {
            digits.remove_prefix(1);
        }
        for (const char c : digits) {
            exponent = std::min(exponent * 10 + (c - '0'), 100000L); // far beyond any double
        }
        exponent = negative ? -exponent : exponent;
    }
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t first = mantissa.find_first_of("123456789");
    if (first == std::string_view::npos) {
        return 0;
    }
    const long position =
        first < point ? static_cast<long>(point - first) - 1 : -static_cast<long>(first - point);
    return position + exponent;
}

// A value as the writer spells it: "=" for a missing sample, else a number (an optional sign,
// digits with a point and an exponent, or NAN, INF, -INF) and nothing after it. A number
// beyond the range of a double reads as an infinity, one below it as zero.
bool ParseValue(std::string_view text, double& value) {
    if (text == "=") {
        value = TsdMissing;
        return true;
    }
    if (text.starts_with('+')) {
        text.remove_prefix(1);
    }
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (end != text.data() + text.size() || text.empty()) {
        return false;
    }
    if (ec == std::errc::result_out_of_range) {
        const bool negative = text.starts_with('-');
        const double magnitude =
            DecimalMagnitude(text.substr(negative ? 1 : 0)) > 0 ? HUGE_VAL : 0.0;
        value = negative ? -magnitude : magnitude;
        return true;
    }
    return ec == std::errc();
}

} // namespace

TsdBlockReader::TsdBlockReader(const std::string& path, const TsdBlockIndex& index,
                               const MeasurementParameters& header)
    : path_(path), index_(index), version_(index.Version), rows_(header.DataNum),
      channels_(header.ChNum), burstValues_(header.BurstValueNum) {
    fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        throw FileError(path_, std::string("cannot be opened (") + std::strerror(errno) + ")");
    }
    buffer_.resize(ReadBytes + MaxLineBytes + 2);
}

TsdBlockReader::~TsdBlockReader() {
    ::close(fd_);
}

void TsdBlockReader::Fail(std::int64_t k, const std::string& what) const {
    throw FileError(path_, "burst " + std::to_string(k + 1) + " " + what);
}

// Keeps the unread tail and reads the next piece of the block behind it; false at its end.
bool TsdBlockReader::Fill() {
    const std::size_t keep = len_ - pos_;
    std::memmove(buffer_.data(), buffer_.data() + pos_, keep);
    pos_ = 0;
    len_ = keep;
    const std::size_t want = static_cast<std::size_t>(
        std::min<std::int64_t>(end_ - next_, static_cast<std::int64_t>(buffer_.size() - len_)));
    if (want == 0) {
        return false;
    }
    ssize_t n = 0;
    do {
        n = ::pread(fd_, buffer_.data() + len_, want, static_cast<off_t>(next_));
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        throw FileError(path_, std::string("cannot be read (") + std::strerror(errno) + ")");
    }
    if (n == 0) {
        return false; // the file has shrunk
    }
    len_ += static_cast<std::size_t>(n);
    next_ += n;
    return true;
}

// The next line of the block without its end (CR LF, LF or a lone CR); false when the block's
// bytes end first or a line is longer than any this program writes.
bool TsdBlockReader::NextLine(std::string_view& line) {
    for (;;) {
        const char* begin = buffer_.data() + pos_;
        const char* end = buffer_.data() + len_;
        const char* stop = std::find_if(begin, end, [](char c) { return c == '\r' || c == '\n'; });
        // A CR at the end of what is read may be the first half of CR LF.
        if (stop != end && (*stop == '\n' || stop + 1 != end || next_ == end_)) {
            line = std::string_view(begin, static_cast<std::size_t>(stop - begin));
            const bool crlf = *stop == '\r' && stop + 1 != end && stop[1] == '\n';
            pos_ = static_cast<std::size_t>(stop - buffer_.data()) + (crlf ? 2 : 1);
            return line.size() <= MaxLineBytes;
        }
        if (static_cast<std::size_t>(end - begin) > MaxLineBytes + 1 || !Fill()) {
            return false;
        }
    }
}

void TsdBlockReader::Read(std::int64_t k, std::vector<double>& values) {
    if (k < 0 || k >= index_.CompleteBlocks()) {
        Fail(k, "is not a complete block of the file");
    }
    const auto index = static_cast<std::size_t>(k);
    pos_ = 0;
    len_ = 0;
    next_ = index_.Blocks[index];
    end_ = index + 1 < index_.Blocks.size() ? index_.Blocks[index + 1] : index_.CompleteEnd;
    values.resize(static_cast<std::size_t>(rows_) * static_cast<std::size_t>(channels_) +
                  static_cast<std::size_t>(burstValues_));

    std::string_view line;
    if (version_ != 1 && (!NextLine(line) || line != "No." + std::to_string(k + 1))) {
        Fail(k, "no longer begins with its line No." + std::to_string(k + 1));
    }
    std::size_t at = 0;
    const auto readValues = [&](int count, std::int64_t lineNumber) {
        if (!NextLine(line)) {
            Fail(k, "ends at its line " + std::to_string(lineNumber));
        }
        const auto fail = [&] {
            Fail(k, "line " + std::to_string(lineNumber) + ": '" + std::string(line.substr(0, 80)) +
                        "' is not a list of " + std::to_string(count) + " values");
        };
        if (count == 0) {
            if (!line.empty()) {
                fail();
            }
            return;
        }
        int fields = 0;
        std::size_t start = 0;
        for (;;) {
            const std::size_t comma = line.find(',', start);
            const std::string_view field =
                line.substr(start, comma == std::string_view::npos ? line.npos : comma - start);
            if (fields == count || !ParseValue(field, values[at])) {
                fail();
            }
            ++fields;
            ++at;
            if (comma == std::string_view::npos) {
                break;
            }
            start = comma + 1;
        }
        if (fields != count) {
            fail();
        }
    };
    const std::int64_t first = version_ != 1 ? 2 : 1;
    for (std::int32_t step = 0; step < rows_; ++step) {
        readValues(channels_, first + step);
    }
    if (burstValues_ > 0) {
        readValues(burstValues_, first + rows_);
    }
}

} // namespace tessary
