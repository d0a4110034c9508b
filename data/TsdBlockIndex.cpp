#include "data/TsdBlockIndex.h"

#include "data/DateTime.h"
#include "data/Errors.h"
#include "data/PosixFile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string_view>

namespace tessary {

namespace {

constexpr std::size_t ReadBytes = std::size_t{1} << 20;
// As the header reader: no line of a file this program reads is longer.
constexpr std::size_t MaxLineBytes = 65536;
// Header lines after the start time: version 1 interval, data count and four lists; version 2
// also the burst count, the burst interval and the channel counts.
constexpr int LinesAfterStartV1 = 6;
constexpr int LinesAfterStartV2 = 9;
constexpr int CountLineAfterStart = 2; // version 2: interval, then the burst count

// The bytes a value may hold: digits, sign, point, exponent, "=" for a missing sample, and
// the letters of the writer's NAN, INF and -INF.
constexpr std::array<bool, 256> ValueBytes = [] {
    std::array<bool, 256> table{};
    for (const char c : std::string_view("0123456789+-.eE=NAIFnaif")) {
        table[static_cast<unsigned char>(c)] = true;
    }
    return table;
}();

struct Line {
    std::int64_t Offset = 0;
    std::string_view Text;
    bool Ended = false;     // a line end follows; false only at the end of the file
    std::int64_t After = 0; // the offset just after the line and its line end
};

// Lines of a file with their byte offsets, read through a bounded buffer. CR LF, LF and a
// lone CR end a line.
class LineScanner {
public:
    LineScanner(const std::string& path, const IndexProgress& progress)
        : path_(path), progress_(progress) {
        if (!file_.Open(path, O_RDONLY | O_CLOEXEC)) {
            throw InOutError(path + " cannot be opened (" + std::strerror(errno) + ")");
        }
        total_ = file_.Size();
        buffer_.resize(ReadBytes + MaxLineBytes + 2);
    }

    // The next line; false at the end of the file, when a line is longer than any this program
    // writes, or when the progress callback asked to stop (Stopped() tells).
    bool Next(Line& line) {
        for (;;) {
            const char* begin = buffer_.data() + pos_;
            const char* end = buffer_.data() + len_;
            const char* stop =
                std::find_if(begin, end, [](char c) { return c == '\r' || c == '\n'; });
            if (stop != end && (*stop == '\n' || stop + 1 != end || eof_)) {
                line.Offset = offset_ + static_cast<std::int64_t>(pos_);
                line.Text = std::string_view(begin, static_cast<std::size_t>(stop - begin));
                line.Ended = true;
                const bool crlf = *stop == '\r' && stop + 1 != end && stop[1] == '\n';
                pos_ = static_cast<std::size_t>(stop - buffer_.data()) + (crlf ? 2 : 1);
                line.After = offset_ + static_cast<std::int64_t>(pos_);
                return line.Text.size() <= MaxLineBytes;
            }
            if (static_cast<std::size_t>(end - begin) > MaxLineBytes + 1) {
                return false;
            }
            if (eof_) {
                if (begin == end) {
                    return false;
                }
                line.Offset = offset_ + static_cast<std::int64_t>(pos_);
                line.Text = std::string_view(begin, static_cast<std::size_t>(end - begin));
                line.Ended = false;
                pos_ = len_;
                line.After = offset_ + static_cast<std::int64_t>(pos_);
                return true;
            }
            if (!Fill()) {
                return false;
            }
        }
    }

    bool Stopped() const { return stopped_; }

private:
    // Keeps the unread tail and reads the next piece behind it.
    bool Fill() {
        const std::size_t keep = len_ - pos_;
        std::memmove(buffer_.data(), buffer_.data() + pos_, keep);
        offset_ += static_cast<std::int64_t>(pos_);
        pos_ = 0;
        len_ = keep;
        const ssize_t n = file_.Read(buffer_.data() + len_, ReadBytes);
        if (n < 0) {
            throw InOutError(path_ + " cannot be read (" + std::strerror(errno) + ")");
        }
        len_ += static_cast<std::size_t>(n);
        eof_ = n == 0;
        if (progress_ && !progress_(offset_ + static_cast<std::int64_t>(len_), total_)) {
            stopped_ = true;
            return false;
        }
        return true;
    }

    PosixFile file_;
    std::string path_;
    const IndexProgress& progress_;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t len_ = 0;
    std::int64_t offset_ = 0; // file offset of buffer_[0]
    std::int64_t total_ = 0;
    bool eof_ = false;
    bool stopped_ = false;
};

// A line of exactly `values` values, each a number's bytes or "=".
bool IsValueLine(std::string_view text, int values) {
    if (values <= 0) {
        return text.empty();
    }
    int fields = 1;
    std::size_t fieldLength = 0;
    for (const char c : text) {
        if (c == ',') {
            if (fieldLength == 0) {
                return false;
            }
            ++fields;
            fieldLength = 0;
        } else if (ValueBytes[static_cast<unsigned char>(c)]) {
            ++fieldLength;
        } else {
            return false;
        }
    }
    return fieldLength > 0 && fields == values;
}

} // namespace

TsdBlockIndex IndexTsdBlocks(const std::string& path, int version,
                             const MeasurementParameters& header, std::int64_t limit,
                             const IndexProgress& progress) {
    TsdBlockIndex index;
    index.Version = version;
    LineScanner scanner(path, progress);
    Line line;
    const auto finish = [&] {
        index.Finished = !scanner.Stopped();
        return index;
    };

    // The header: magic line, first memo line, memo lines up to the start time, fixed lines.
    for (int i = 0; i < 2; ++i) {
        if (!scanner.Next(line) || !line.Ended) {
            return finish();
        }
    }
    do {
        if (!scanner.Next(line) || !line.Ended) {
            return finish();
        }
    } while (!TryParseDateTime(line.Text));
    const int fixed = version == 1 ? LinesAfterStartV1 : LinesAfterStartV2;
    for (int i = 1; i <= fixed; ++i) {
        if (!scanner.Next(line) || !line.Ended) {
            return finish();
        }
        if (version != 1 && i == CountLineAfterStart) {
            index.CountLineOffset = line.Offset;
            index.CountLineBytes = static_cast<std::int64_t>(line.Text.size());
        }
    }
    index.HeaderBytes = line.After;
    index.CompleteEnd = index.HeaderBytes;
    bool haveLine = scanner.Next(line);

    // Blocks, each from its first line on; `line` holds the next unread line.
    const int channels = header.ChNum;
    const bool burstLine = header.BurstValueNum > 0;
    if (version == 1) {
        limit = std::min<std::int64_t>(limit, 1);
    }
    while (haveLine && index.CompleteBlocks() < limit) {
        const std::int64_t start = line.Offset;
        std::int64_t end = start;
        if (version != 1) {
            if (!line.Ended || line.Text != "No." + std::to_string(index.CompleteBlocks() + 1)) {
                break;
            }
            end = line.After;
            haveLine = scanner.Next(line);
        }
        bool whole = true;
        for (std::int32_t step = 0; whole && step < header.DataNum; ++step) {
            whole = haveLine && line.Ended && IsValueLine(line.Text, channels);
            if (whole) {
                end = line.After;
                haveLine = scanner.Next(line);
            }
        }
        if (whole && burstLine) {
            whole = haveLine && line.Ended && IsValueLine(line.Text, header.BurstValueNum);
            if (whole) {
                end = line.After;
                haveLine = scanner.Next(line);
            }
        }
        if (!whole) {
            break;
        }
        index.Blocks.push_back(start);
        index.CompleteEnd = end;
    }
    return finish();
}

} // namespace tessary
