// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/TsdReader.h"

#include "data/Cp932.h"
#include "data/DateTime.h"
#include "data/Errors.h"
#include "data/TFrmSDFdata.h"
#include "data/TsdLineReader.h"
#include "data/TsdWriter.h"
#include "texts/Texts.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace tessary {

namespace {

// Position of the version digit in line 1, just after the magic text.
constexpr std::size_t VersionPosition = 33;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Conversions of header texts; a text that does not convert names the file and the text.
class HeaderNumbers {
public:
    explicit HeaderNumbers(const std::string& path) : path_(path) {}

    // Optional leading blanks, an optional sign and decimal digits, nothing after.
    std::int32_t Integer(std::string_view text) const {
        std::string_view t = text;
        while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) {
            t.remove_prefix(1);
        }
        if (t.starts_with('+')) {
            t.remove_prefix(1);
        }
        std::int32_t value = 0;
        const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
        if (ec != std::errc() || end != t.data() + t.size() || t.empty() || !IsDigit(t.back())) {
            throw ConversionError("'" + std::string(text) + "' in " + path_ +
                                  " is not a valid integer value");
        }
        return value;
    }

    std::int16_t Small(std::string_view text, const char* field) const {
        const std::int32_t value = Integer(text);
        if (value < std::numeric_limits<std::int16_t>::min() ||
            value > std::numeric_limits<std::int16_t>::max()) {
            throw RangeError("The " + std::string(field) + " " + std::to_string(value) + " in " +
                             path_ + " is out of range (-32768 to 32767)");
        }
        return static_cast<std::int16_t>(value);
    }

    // Blanks around, a sign, digits with an optional point, an optional exponent; or the
    // writer's own NAN, INF and -INF for coefficients that are no finite number.
    float Real(std::string_view text) const {
        std::string_view t = text;
        while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) {
            t.remove_prefix(1);
        }
        while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) {
            t.remove_suffix(1);
        }
        if (t == "NAN") {
            return std::numeric_limits<float>::quiet_NaN();
        }
        if (t == "INF" || t == "-INF") {
            const float inf = std::numeric_limits<float>::infinity();
            return t.starts_with('-') ? -inf : inf;
        }
        const bool negative = t.starts_with('-');
        if (negative || t.starts_with('+')) {
            t.remove_prefix(1);
        }
        if (!WellFormedReal(t)) {
            throw ConversionError("'" + std::string(text) + "' in " + path_ +
                                  " is not a valid floating point value");
        }
        double value = 0;
        const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
        if (ec == std::errc::result_out_of_range) {
            value = t.find_first_of("123456789") < t.find_first_of("eE") ? HUGE_VAL : 0.0;
        }
        if (std::fabs(value) > std::numeric_limits<float>::max()) {
            throw RangeError("'" + std::string(text) + "' in " + path_ +
                             " is out of the range of a single-precision value");
        }
        return static_cast<float>(negative ? -value : value);
    }

private:
    static bool WellFormedReal(std::string_view t) {
        std::size_t i = 0;
        std::size_t digits = 0;
        while (i < t.size() && IsDigit(t[i])) {
            ++i;
            ++digits;
        }
        if (i < t.size() && t[i] == '.') {
            ++i;
            while (i < t.size() && IsDigit(t[i])) {
                ++i;
                ++digits;
            }
        }
        if (digits == 0) {
            return false;
        }
        if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
            ++i;
            if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
                ++i;
            }
            const std::size_t start = i;
            while (i < t.size() && IsDigit(t[i])) {
                ++i;
            }
            if (i == start) {
                return false;
            }
        }
        return i == t.size();
    }

    const std::string& path_;
};

// Items of the latest list in positions 0 to 128. A shorter list leaves the later positions
// as the list before it filled them.
class ListPositions {
public:
    // Takes the list of `line`; its own item count.
    std::size_t Take(std::string_view line) {
        const std::vector<std::string> items = SplitCommaList(line);
        for (std::size_t i = 0; i < items.size(); ++i) {
            items_[i] = items[i];
        }
        return items.size();
    }
    const std::string& operator[](int i) const { return items_[static_cast<std::size_t>(i)]; }

private:
    std::array<std::string, ChannelRows> items_;
};

// Memo lines are joined with CR and cut to MemoBytes; a join keeps no more than that decides.
void AppendMemoLine(std::string& memo, std::string_view line) {
    memo += '\r';
    memo += StripQuotes(line);
    if (memo.size() > MemoBytes + 1) {
        memo.resize(MemoBytes + 1);
    }
}

} // namespace

bool TsdReader::Read(const std::string& path) {
    MeasurementParameters& record = holder_.Record();
    const HeaderNumbers numbers(path);
    {
        TsdLineReader lines(path);
        const std::string first = lines.Next();
        if (first.find(TsdMagic) == std::string::npos) {
            lines.Close();
            holder_.MessageBoxes().Show(MessageKind::Error, texts::FormatDiffers,
                                        MessageButtons::Ok);
            return false;
        }
        const char digit = first.size() > VersionPosition ? first[VersionPosition] : '\0';
        if (!IsDigit(digit)) {
            throw ConversionError("The version character '" + std::string(digit != '\0', digit) +
                                  "' of " + path + " is not a valid integer value");
        }
        const int version = digit - '0';

        std::string memo = StripQuotes(lines.Next());
        if (memo.size() > MemoBytes + 1) {
            memo.resize(MemoBytes + 1);
        }
        while (!lines.AtEnd()) {
            const std::string line = lines.Next();
            if (const auto start = TryParseDateTime(line)) {
                record.StartTime = *start;
                break;
            }
            AppendMemoLine(memo, line);
        }
        record.Memo = CutToBytes(memo, MemoBytes);

        if (version == 1) {
            record.SInterval = numbers.Integer(lines.Next());
            record.SITUnit = UnitMsec;
            record.Iteration = 1;
            record.BInterval = 0;
            record.BITUnit = UnitSec;
            record.ChNum = 0;
            record.BurstValueNum = 0;
        } else if (version == 2) {
            const auto interval = [&](std::int32_t& value, TimeUnit& unit, const char* what) {
                const std::string line = lines.Next();
                const std::size_t space = line.find(' ');
                value = numbers.Integer(
                    std::string_view(line).substr(0, space == std::string::npos ? 0 : space));
                const TimeUnit found = FindTimeUnit(line);
                if (found == NoTimeUnit) {
                    throw ConversionError("The " + std::string(what) + " '" + line + "' in " +
                                          path + " names none of the time units");
                }
                unit = found;
            };
            interval(record.SInterval, record.SITUnit, "sampling interval");
            record.Iteration = numbers.Small(lines.Next(), "number of bursts");
            interval(record.BInterval, record.BITUnit, "burst interval");
            const std::string countLine = lines.Next();
            const std::vector<std::string> counts = SplitCommaList(countLine);
            if (counts.size() < 2) {
                throw ConversionError("The channel-count line '" + countLine + "' of " + path +
                                      " has no second item");
            }
            const std::int16_t chNum = numbers.Small(counts[0], "channel count");
            const std::int16_t valueNum = numbers.Small(counts[1], "per-burst value count");
            if (chNum < 0 || valueNum < 0 || chNum + valueNum > ChannelRows) {
                throw RangeError("The file " + path + " declares " + std::to_string(chNum) +
                                 " channels and " + std::to_string(valueNum) +
                                 " per-burst values, more than the 129 rows of the channel table");
            }
            record.ChNum = chNum;
            record.BurstValueNum = valueNum;
        } else {
            lines.Close();
            holder_.MessageBoxes().Show(MessageKind::Error, texts::FormatDiffers,
                                        MessageButtons::Ok);
            return false;
        }

        const std::int32_t dataNum = numbers.Integer(lines.Next());
        if (dataNum < 0) {
            throw RangeError("The file " + path + " declares a negative number of data (" +
                             std::to_string(dataNum) + ")");
        }
        record.DataNum = dataNum;

        ListPositions list;
        const std::string coefficients = lines.Next();
        // An empty line lists no item (the writer's line for no rows at all).
        const std::size_t count = coefficients.empty() ? 0 : list.Take(coefficients);
        // A version-2 file of per-burst values only lists exactly those: it has no channel.
        const bool burstValuesOnly = version == 2 && record.BurstValueNum > 0 &&
                                     count == static_cast<std::size_t>(record.BurstValueNum);
        if (record.ChNum == 0 && !burstValuesOnly) {
            const int rowsLeft = ChannelRows - record.BurstValueNum;
            if (static_cast<int>(count) > rowsLeft) {
                throw RangeError("The file " + path + " lists " + std::to_string(count) +
                                 " channels with " + std::to_string(record.BurstValueNum) +
                                 " per-burst values, more than the 129 rows of the table");
            }
            record.ChNum = static_cast<std::int16_t>(count);
        }
        const int rows = record.ChNum + record.BurstValueNum;
        if (count < static_cast<std::size_t>(rows)) {
            throw ConversionError("The coefficient line of " + path + " lists " +
                                  std::to_string(count) + " values for " + std::to_string(rows) +
                                  " rows");
        }
        for (int row = 0; row < rows; ++row) {
            record.Channel(row).A = numbers.Real(list[row]);
        }
        list.Take(lines.Next());
        for (int row = 0; row < rows; ++row) {
            record.Channel(row).B = numbers.Real(list[row]);
        }
        list.Take(lines.Next());
        for (int row = 0; row < rows; ++row) {
            record.Channel(row).Item = CutToBytes(StripQuotes(list[row]), ItemBytes);
        }
        list.Take(lines.Next());
        for (int row = 0; row < rows; ++row) {
            record.Channel(row).Unit = CutToBytes(StripQuotes(list[row]), UnitBytes);
        }
    }
    holder_.NormaliseAfterRead(path);
    // Every value takes two bytes of text at least (a digit and a separator), so a burst
    // takes no fewer bytes than its SDF block.
    holder_.AllocateBuffersAfterRead(path, 0);
    return true;
}

} // namespace tessary
