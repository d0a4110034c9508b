// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/SdfHeaderLoader.h"

#include "data/FileError.h"
#include "data/OldFormatUpgrader.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace tessary {

namespace {

// Notes the old layout's version and leaves the file as it is.
class DecliningUpgrader final : public OldFormatUpgrader {
public:
    bool UpgradeOldFormat(TFrmSDFdata&, int version, const std::string&) override {
        version_ = version;
        return false;
    }
    int Version() const { return version_; }

private:
    int version_ = 0;
};

// Restores the holder's upgrader however Load ends.
class UpgraderSwap {
public:
    UpgraderSwap(TFrmSDFdata& holder, OldFormatUpgrader* upgrader)
        : holder_(holder), previous_(holder.Upgrader()) {
        holder_.SetUpgrader(upgrader);
    }
    ~UpgraderSwap() { holder_.SetUpgrader(previous_); }
    UpgraderSwap(const UpgraderSwap&) = delete;
    UpgraderSwap& operator=(const UpgraderSwap&) = delete;

private:
    TFrmSDFdata& holder_;
    OldFormatUpgrader* previous_;
};

} // namespace

bool SdfHeaderLoader::Load(const std::string& path) {
    MeasurementParameters& record = holder_.Record();
    record.SITUnit = UnitMsec;
    record.BITUnit = UnitMsec;
    DecliningUpgrader upgrader;
    {
        const UpgraderSwap swap(holder_, &upgrader);
        if (!holder_.ReadSdfHeader(path) && upgrader.Version() == 0) {
            return false;
        }
    }
    layout_ = SdfLayoutInfo{};
    layout_.Version = upgrader.Version() == 0 ? 4 : upgrader.Version();
    if (layout_.Version < 4) {
        record.ComputeDerivedSizes();
        holder_.AllocateBuffersAfterRead(path, std::int64_t{record.HeaderBlocks} * 256);
    }
    layout_.HeaderBytes = std::int64_t{record.HeaderBlocks} * 256;
    layout_.BlockValues = std::int64_t{record.DataNum} * record.ChNum + record.BurstValueNum;
    const std::int64_t sectors = layout_.BlockValues / 128 + (layout_.BlockValues % 128 > 0);
    layout_.BlockStride = layout_.Version < 4 ? sectors * 256 : layout_.BlockValues * 2;

    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        throw FileError(path, std::string("cannot be examined (") + std::strerror(errno) + ")");
    }
    const std::int64_t blockBytes = layout_.BlockValues * 2;
    const std::int64_t after = std::int64_t{info.st_size} - layout_.HeaderBytes;
    if (after > 0 && blockBytes > 0) {
        // The last block of an old layout needs only its values, not its padding.
        layout_.BlocksPresent = after / layout_.BlockStride;
        if (after % layout_.BlockStride >= blockBytes) {
            ++layout_.BlocksPresent;
        }
    }
    return true;
}

} // namespace tessary
