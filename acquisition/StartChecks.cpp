// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/StartChecks.h"

#include "acquisition/TextConversions.h"
#include "data/Errors.h"
#include "data/FileNames.h"
#include "data/MeasurementParameters.h"
#include "data/RecordingLock.h"
#include "data/SdfWriter.h"
#include "data/TFrmSDFdata.h"
#include "texts/Texts.h"

#include <limits>
#include <sys/stat.h>
#include <sys/statvfs.h>

namespace tessary {

namespace {

// A TSD header's lines at the most, apart from the lists of the channel table.
constexpr std::int64_t TsdHeaderBytes = 512;
// A TSD value's characters at the most: an unscaled sample of the card ("-10000"), or a
// scaled value in 7 significant digits ("-1.234568E-10").
constexpr std::int64_t UnscaledValueBytes = 6;
constexpr std::int64_t ScaledValueBytes = 13;
// "No.32767" and its line end.
constexpr std::int64_t BlockNumberLineBytes = 10;

std::optional<std::int32_t> Number(const std::string& text) {
    try {
        return TextToInt(text);
    } catch (const ConversionError&) {
        return std::nullopt;
    }
}

bool Unscaled(const ControlValues& controls, int channel) {
    const auto row = static_cast<std::size_t>(channel) + 1;
    if (row >= controls.ChannelGrid.size()) {
        return false;
    }
    try {
        return TextToFloat(controls.ChannelGrid[row][3]) == 1.0 &&
               TextToFloat(controls.ChannelGrid[row][4]) == 0.0;
    } catch (const ConversionError&) {
        return false;
    }
}

// Free bytes for an unprivileged writer on the file system of the file's folder.
std::optional<std::int64_t> FreeBytes(const std::string& path) {
    const std::string folder = FolderPart(path);
    struct statvfs info {};
    if (::statvfs(folder.empty() ? "." : folder.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(info.f_bavail) * static_cast<std::int64_t>(info.f_frsize);
}

} // namespace

std::optional<PlannedRecording> PlannedRecording::Of(const ControlValues& controls) {
    const auto channels = Number(controls.ChNum);
    const auto dataNum = Number(controls.DataNum);
    const auto bursts = Number(controls.Iteration);
    if (!channels || !dataNum || !bursts || *channels < 1 || *channels > SampleChannels ||
        *dataNum < 1 || *bursts > std::numeric_limits<std::int16_t>::max()) {
        return std::nullopt;
    }
    PlannedRecording plan;
    plan.Sdf = controls.FileType != FileTypeTsd;
    plan.Bursts = *bursts;
    if (plan.Sdf) {
        MeasurementParameters record;
        record.ChNum = static_cast<std::int16_t>(*channels);
        record.DataNum = *dataNum;
        try {
            record.ComputeDerivedSizes();
        } catch (const RangeError&) {
            return std::nullopt; // a block beyond 32 bits; GatherSettings refuses it
        }
        plan.HeaderBytes = std::int64_t{record.HeaderBlocks} * 256;
        plan.BlockBytes = record.BlockBytes;
        plan.MaxSdfBursts = SdfWriter::MaxBlocks(record);
    } else {
        std::int64_t line = 2 + (*channels - 1);
        for (int c = 0; c < *channels; ++c) {
            line += Unscaled(controls, c) ? UnscaledValueBytes : ScaledValueBytes;
        }
        plan.HeaderBytes = TsdHeaderBytes + std::int64_t{*channels} * 4 * (ScaledValueBytes + 1);
        plan.BlockBytes = BlockNumberLineBytes + std::int64_t{*dataNum} * line;
    }
    return plan;
}

std::optional<std::int64_t> PlannedRecording::TotalBytes() const {
    if (Bursts <= 0) {
        return std::nullopt;
    }
    return HeaderBytes + Bursts * BlockBytes;
}

bool StartChecks::BeforeOverwrite() {
    if (planned_ && planned_->Sdf && planned_->Bursts > planned_->MaxSdfBursts) {
        dialogs_.ShowError(texts::SdfTooLarge(planned_->Bursts, planned_->MaxSdfBursts));
        return false;
    }
    if (RecordingLock::IsRecording(controls_.FileName)) {
        dialogs_.ShowError(texts::BeingRecorded(controls_.FileName));
        return false;
    }
    return true;
}

bool StartChecks::FreeSpaceAllows() {
    const std::optional<std::int64_t> needed = planned_ ? planned_->TotalBytes() : std::nullopt;
    std::optional<std::int64_t> available = FreeBytes(controls_.FileName);
    if (!needed || !available) {
        return true;
    }
    // The file that the run replaces gives its room back.
    struct stat status {};
    if (::stat(controls_.FileName.c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
        *available += status.st_size;
    }
    if (*needed <= *available) {
        return true;
    }
    return dialogs_.Ask(MessageKind::Warning,
                        texts::FreeSpaceQuestion(controls_.FileName, *needed, *available));
}

} // namespace tessary
