// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/TsdBlockIndex.h"

#include "data/DateTime.h"
#include "data/Errors.h"
#include "data/PosixFile.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// What each byte is to a value line: a byte a value may hold (digits, sign, point, exponent,
// "=" for a missing sample, and the letters of the writer's NAN, INF and -INF), the comma
// between values, a line end, or a byte no value line holds.
enum class ByteClass : unsigned char { Other, Value, Comma, LineEnd };

// The bits set in the low 32 bits, without the library call that a baseline x86-64 build
// makes of a population count.
inline int CountBits(std::uint64_t v) {
    auto x = static_cast<std::uint32_t>(v);
    x = x - ((x >> 1) & 0x55555555u);
    x = (x & 0x33333333u) + ((x >> 2) & 0x33333333u);
    x = (x + (x >> 4)) & 0x0F0F0F0Fu;
    return static_cast<int>((x * 0x01010101u) >> 24);
}

constexpr std::array<ByteClass, 256> Classes = [] {
    std::array<ByteClass, 256> table{};
    for (const char c : std::string_view("0123456789+-.eE=NAIFnaif")) {
        table[static_cast<unsigned char>(c)] = ByteClass::Value;
    }
    table[static_cast<unsigned char>(',')] = ByteClass::Comma;
    table[static_cast<unsigned char>('\r')] = ByteClass::LineEnd;
    table[static_cast<unsigned char>('\n')] = ByteClass::LineEnd;
    return table;
}();

// The first CR or LF in [begin, end), or end: two memchr calls, which scan many bytes at a
// time, instead of a loop over the bytes (indexing a large file spends most of its time here).
const char* LineEnd(const char* begin, const char* end) {
    const auto size = static_cast<std::size_t>(end - begin);
    const auto* lf = static_cast<const char*>(std::memchr(begin, '\n', size));
    const char* limit = lf != nullptr ? lf : end;
    const auto* cr =
        static_cast<const char*>(std::memchr(begin, '\r', static_cast<std::size_t>(limit - begin)));
    return cr != nullptr ? cr : limit;
}

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
            const char* stop = LineEnd(begin, end);
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

    // Checks up to `count` lines from the next unread one, each of which must hold exactly
    // `values` values (a number's bytes or "=", none empty; no byte at all for 0 values) and
    // end with a line end; returns how many did, reading on past each of them. Indexing ends
    // at a line that does not, so the lines after it are not looked at. Thirty-two bytes are
    // looked at together where they hold only digits, signs, points, commas and line ends, as
    // the writer's lines do, and any other byte one at a time (measured on 1 GB: 30 % less time
    // than sixteen at a time, a third of one at a time).
    std::int64_t ValueLines(int values, std::int64_t count) {
        std::int64_t done = 0;
        int fields = 1;         // commas so far in the line, plus one
        bool fieldEmpty = true; // the current value has no byte yet
        bool afterCr = false;   // the previous byte ended a line with CR
        std::size_t scan = pos_;
        while (done < count) {
#if defined(__SSE2__)
            while (values > 0 && done < count && len_ - scan >= 33) {
                const char* q = buffer_.data() + scan;
                const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
                const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + 16));
                // One bit a byte, the first sixteen low.
                const auto mask = [&lo, &hi](char c) {
                    const __m128i v = _mm_set1_epi8(c);
                    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(lo, v))) |
                           static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(hi, v)))
                               << 16;
                };
                // ',' '-' '.' and the digits lie in 0x2C..0x39, with '/' between them.
                const auto inRange = [](__m128i bytes) {
                    const __m128i above = _mm_sub_epi8(bytes, _mm_set1_epi8(','));
                    return static_cast<std::uint32_t>(_mm_movemask_epi8(
                        _mm_cmpeq_epi8(_mm_min_epu8(above, _mm_set1_epi8('9' - ',')), above)));
                };
                const std::uint32_t plain = (inRange(lo) | inRange(hi) << 16) & ~mask('/');
                const std::uint32_t commas = mask(',');
                const std::uint32_t crs = mask('\r');
                const std::uint32_t lfs = mask('\n');
                if ((plain | crs | lfs) != 0xFFFFFFFFu) {
                    break; // a rarer byte: one at a time
                }
                // Line ends: CR, and LF unless it follows a CR.
                const std::uint32_t ends = crs | (lfs & ~((crs << 1) | (afterCr ? 1u : 0u)));
                const std::uint32_t boundaries = commas | crs | lfs;
                const std::uint32_t afterBoundary = (boundaries << 1) | (fieldEmpty ? 1u : 0u);
                // The line that completes `count`: nothing after it is this call's.
                std::uint64_t scope = 0xFFFFFFFFu;
                std::uint32_t left = ends;
                for (std::int64_t k = done + 1; left != 0; ++k, left &= left - 1) {
                    if (k == count) {
                        scope = (std::uint64_t{2} << std::countr_zero(left)) - 1;
                        break;
                    }
                }
                // A comma or line end right after a comma or line start leaves a value empty.
                if (((commas | ends) & afterBoundary & scope) != 0) {
                    return done;
                }
                unsigned start = 0; // where the current line's bytes begin in these 32

                for (std::uint64_t lineEnds = ends & scope; lineEnds != 0;
                     lineEnds &= lineEnds - 1) {
                    const auto b = static_cast<unsigned>(std::countr_zero(lineEnds));
                    const std::uint64_t inLine =
                        commas & ((std::uint64_t{1} << b) - 1) & ~((std::uint64_t{1} << start) - 1);
                    if (fields + CountBits(inLine) != values) {
                        return done;
                    }
                    ++done;
                    fields = 1;
                    const bool crlf = (crs >> b & 1) != 0 && q[b + 1] == '\n';
                    start = b + (crlf ? 2 : 1);
                    pos_ = scan + start;
                }
                if (done == count) {
                    return done;
                }
                if (start > 32) {
                    // A CR LF across the 32: the next line starts after the LF.
                    scan += start;
                    fieldEmpty = true;
                    afterCr = false;
                    continue;
                }
                fields += start < 32 ? CountBits(commas & ~((std::uint64_t{1} << start) - 1)) : 0;
                fieldEmpty = (boundaries >> 31 & 1) != 0;
                afterCr = (crs >> 31 & 1) != 0;
                scan += 32;
                if (scan - pos_ > MaxLineBytes) {
                    return done;
                }
            }
#endif
            if (done == count) {
                break;
            }
            if (scan == len_) {
                const std::size_t read = scan - pos_;
                if (eof_ || read > MaxLineBytes || !Fill()) {
                    return done; // cut off, or longer than any line this program writes
                }
                scan = pos_ + read;
                continue;
            }
            const char c = buffer_[scan++];
            if (afterCr && c == '\n') {
                afterCr = false;
                pos_ = scan; // the LF of a CR LF
                continue;
            }
            afterCr = false;
            const ByteClass kind = Classes[static_cast<unsigned char>(c)];
            if (kind == ByteClass::Value) {
                fieldEmpty = false;
            } else if (kind == ByteClass::Comma) {
                if (fieldEmpty) {
                    return done;
                }
                ++fields;
                fieldEmpty = true;
            } else if (kind == ByteClass::Other) {
                return done;
            } else {
                const bool empty = scan - 1 == pos_;
                if (values <= 0 ? !empty : fieldEmpty || fields != values) {
                    return done;
                }
                ++done;
                fields = 1;
                fieldEmpty = true;
                afterCr = c == '\r';
                pos_ = scan;
            }
            if (scan - pos_ > MaxLineBytes) {
                return done;
            }
        }
        // The LF after the last line's CR belongs to its line end.
        if (afterCr && (pos_ < len_ || (!eof_ && Fill())) && pos_ < len_ && buffer_[pos_] == '\n') {
            ++pos_;
        }
        return done;
    }

    // The file offset of the next unread byte.
    std::int64_t Position() const {
        return offset_ + static_cast<std::int64_t>(pos_);
    }

    bool Stopped() const {
        return stopped_;
    }

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

    // Blocks, each from its first line on.
    const int channels = header.ChNum;
    if (version == 1) {
        limit = std::min<std::int64_t>(limit, 1);
    }
    while (index.CompleteBlocks() < limit) {
        std::int64_t start = scanner.Position();
        std::int64_t end = start;
        if (version != 1) {
            if (!scanner.Next(line) || !line.Ended ||
                line.Text != "No." + std::to_string(index.CompleteBlocks() + 1)) {
                break;
            }
            start = line.Offset;
            end = line.After;
        }
        bool whole = scanner.ValueLines(channels, header.DataNum) == header.DataNum;
        if (whole && header.BurstValueNum > 0) {
            whole = scanner.ValueLines(header.BurstValueNum, 1) == 1;
        }
        if (!whole) {
            break;
        }
        end = scanner.Position();
        index.Blocks.push_back(start);
        index.CompleteEnd = end;
    }
    return finish();
}

} // namespace tessary
