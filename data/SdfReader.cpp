// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/SdfReader.h"

#include "data/Errors.h"
#include "data/OldFormatUpgrader.h"
#include "data/PosixFile.h"
#include "data/SdfLayout.h"
#include "data/TFrmSDFdata.h"
#include "texts/Texts.h"

#include <bit>
#include <cstring>
#include <fcntl.h>
#include <vector>

namespace tessary {

namespace {

// Little-endian fields of a byte buffer read in order; running past its end is the file
// ending inside its header.
class FieldCursor {
public:
    // `base` is the file offset of bytes[0].
    FieldCursor(const std::vector<unsigned char>& bytes, std::size_t pos, std::size_t base,
                const std::string& path)
        : bytes_(bytes), pos_(pos), base_(base), path_(path) {}

    template <typename T> T Number() {
        using U = std::conditional_t<
            sizeof(T) == 1, std::uint8_t,
            std::conditional_t<sizeof(T) == 2, std::uint16_t,
                               std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>>>;
        Need(sizeof(T));
        U bits = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i) {
            bits = static_cast<U>(bits | (U{bytes_[pos_ + i]} << (8 * i)));
        }
        pos_ += sizeof(T);
        return std::bit_cast<T>(bits);
    }
    // The field up to its first zero byte.
    std::string Text(std::size_t width) {
        Need(width);
        const auto* first = reinterpret_cast<const char*>(bytes_.data() + pos_);
        pos_ += width;
        return std::string(first, strnlen(first, width));
    }
    void Skip(std::size_t n) {
        Need(n);
        pos_ += n;
    }

private:
    void Need(std::size_t n) const {
        if (pos_ + n > bytes_.size()) {
            throw InOutError("The file " + path_ + " ends at byte " +
                             std::to_string(base_ + bytes_.size()) +
                             " inside its header (read past end of file)");
        }
    }

    const std::vector<unsigned char>& bytes_;
    std::size_t pos_;
    std::size_t base_;
    const std::string& path_;
};

// Trailing spaces and control characters are padding.
std::string TrimRight(std::string text) {
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') {
        text.pop_back();
    }
    return text;
}

std::vector<unsigned char> ReadPrefix(PosixFile& file, std::size_t n, const std::string& path) {
    std::vector<unsigned char> bytes(n);
    const ssize_t got = file.Read(bytes.data(), n);
    if (got < 0) {
        throw InOutError("The file " + path + " cannot be read");
    }
    bytes.resize(static_cast<std::size_t>(got));
    return bytes;
}

TimeUnit CheckedUnit(std::uint8_t unit, const char* field, const std::string& path) {
    if (unit > UnitYr) {
        throw RangeError("The " + std::string(field) + " unit " + std::to_string(unit) + " in " +
                         path + " is out of range (0 to 8)");
    }
    return unit;
}

} // namespace

bool SdfReader::Read(const std::string& path) {
    Dialogs& dialogs = holder_.MessageBoxes();
    MeasurementParameters& record = holder_.Record();

    PosixFile file;
    if (!file.Open(path, O_RDONLY)) {
        throw InOutError("The file " + path + " cannot be opened");
    }
    std::vector<unsigned char> bytes = ReadPrefix(file, sdf::FixedHeaderBytes, path);

    const std::size_t area = std::min(bytes.size(), sdf::MagicAreaBytes);
    const auto* text = reinterpret_cast<const char*>(bytes.data());
    const std::string_view head(text, strnlen(text, area));
    if (!head.starts_with(sdf::Magic)) {
        file.Close();
        dialogs.Show(MessageKind::Error, texts::FormatDiffers, MessageButtons::Ok);
        return false;
    }
    const char digit = head.size() > sdf::VersionOffset ? head[sdf::VersionOffset] : '\0';
    if (digit < '0' || digit > '9') {
        throw ConversionError("The version character '" + std::string(digit != '\0', digit) +
                              "' of " + path + " is not a valid integer value");
    }
    const int version = digit - '0';
    if (version < 1 || version > 4) {
        file.Close();
        dialogs.Show(MessageKind::Error, texts::FormatDiffers, MessageButtons::Ok);
        return false;
    }
    if (version != 4 && !dialogs.Ask(MessageKind::Confirmation, texts::OldFormatQuestion)) {
        return false;
    }

    FieldCursor fields(bytes, sdf::MemoOffset, 0, path);
    record.Memo = fields.Text(sdf::MemoFieldBytes);
    const auto chNum = fields.Number<std::int16_t>();
    const auto burstValueNum = fields.Number<std::int16_t>();
    const auto dataNum = fields.Number<std::int32_t>();
    const int rows = chNum + burstValueNum;
    if (chNum < 0 || burstValueNum < 0 || rows > ChannelRows) {
        throw RangeError("The file " + path + " declares " + std::to_string(chNum) +
                         " channels and " + std::to_string(burstValueNum) +
                         " per-burst values, more than the 129 rows of the channel table");
    }
    if (dataNum < 0) {
        throw RangeError("The file " + path + " declares a negative number of data (" +
                         std::to_string(dataNum) + ")");
    }
    record.ChNum = chNum;
    record.BurstValueNum = burstValueNum;
    record.DataNum = dataNum;
    record.SInterval = fields.Number<std::int32_t>();
    if (version > 1) {
        record.SITUnit = CheckedUnit(fields.Number<std::uint8_t>(), "sampling", path);
    }
    record.Iteration = fields.Number<std::int16_t>();
    record.BInterval = fields.Number<std::int32_t>();
    if (version > 1) {
        record.BITUnit = CheckedUnit(fields.Number<std::uint8_t>(), "burst interval", path);
    }
    record.StartTime = fields.Number<double>();
    fields.Skip(version == 1 ? sdf::ReservedBytesV1 : sdf::ReservedBytes);

    const std::vector<unsigned char> table =
        ReadPrefix(file, static_cast<std::size_t>(rows) * sdf::RowBytes, path);
    FieldCursor rowFields(table, 0, sdf::FixedHeaderBytes, path);
    for (int row = 0; row < rows; ++row) {
        const std::string names = rowFields.Text(sdf::ItemFieldBytes + sdf::UnitFieldBytes);
        ChannelSpec& spec = record.Channel(row);
        spec.Item = TrimRight(names.substr(0, sdf::ItemFieldBytes));
        spec.Unit = TrimRight(names.size() > sdf::ItemFieldBytes ? names.substr(sdf::ItemFieldBytes)
                                                                 : std::string());
        spec.A = rowFields.Number<float>();
        spec.B = rowFields.Number<float>();
    }
    file.Close();

    holder_.NormaliseAfterRead(path);
    holder_.CheckSizesAfterRead(path);
    if (version < 4) {
        OldFormatUpgrader* upgrader = holder_.Upgrader();
        if (upgrader == nullptr) {
            dialogs.Show(MessageKind::Error, texts::CannotConvert, MessageButtons::Ok);
            return false;
        }
        if (!upgrader->UpgradeOldFormat(holder_, version, path)) {
            return false;
        }
    }
    holder_.AllocateBuffersAfterRead(path, std::int64_t{record.HeaderBlocks} *
                                               static_cast<std::int64_t>(sdf::AreaBytes));
    return true;
}

} // namespace tessary
