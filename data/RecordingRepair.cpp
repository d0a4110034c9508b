// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/RecordingRepair.h"

#include "data/Errors.h"
#include "data/PosixFile.h"
#include "data/RecordingLock.h"
#include "data/SdfLayout.h"
#include "data/TsdCountPatch.h"

#include "data/TFrmSDFdata.h"

#include <algorithm>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>

namespace tessary {

namespace {

// Drops the readers' messages of a first look that only prepares; the examination shows them.
class ReadAsItIsSilently final : public Dialogs {
public:
    MessageAnswer Show(MessageKind, const std::string&, MessageButtons buttons) override {
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No;
    }
};

// The burst count's place in the fixed header: after ChNum, BurstValueNum, DataNum, SInterval
// and, from layout 2 on, the sampling unit's byte.
constexpr std::int64_t IterationOffsetV1 = sdf::FieldsOffset + 2 + 2 + 4 + 4;
constexpr std::int64_t IterationOffset = IterationOffsetV1 + 1;

std::size_t Digits(std::int64_t n) {
    return std::to_string(n).size();
}

// For a TSD file that looks cut off, with a count that will change its length: a copy begun
// now, placed for the count its length suggests (the blocks that fit after the header at the
// first block's size), so that reading the file and copying it overlap. Nothing when the file
// does not look so or its first lines do not read; the examination then tells.
std::unique_ptr<TsdCountPatch::Early> EarlyCopy(const std::string& path) {
    try {
        ReadAsItIsSilently quiet;
        TFrmSDFdata holder(quiet);
        if (!holder.ReadTsdHeader(path)) {
            return nullptr;
        }
        const MeasurementParameters& record = holder.Record();
        const TsdBlockIndex first = IndexTsdBlocks(path, 2, record, 1);
        const std::int64_t limit = record.Iteration > 0 ? record.Iteration : MaxStatedBursts;
        struct stat status {};
        if (first.CountLineOffset < 0 || first.CompleteBlocks() != 1 ||
            ::stat(path.c_str(), &status) != 0) {
            return nullptr;
        }
        const std::int64_t blockBytes = first.CompleteEnd - first.HeaderBytes;
        const std::int64_t likely =
            std::clamp<std::int64_t>((status.st_size - first.HeaderBytes) / blockBytes, 1, limit);
        if (likely == limit || static_cast<std::int64_t>(Digits(likely)) == first.CountLineBytes) {
            return nullptr; // finished, or a count that keeps its length: no copy
        }
        return std::make_unique<TsdCountPatch::Early>(path, first, Digits(likely));
    } catch (const TessaryError&) {
        return nullptr;
    }
}

void WriteSdfCount(const std::string& path, int version, std::int64_t bursts) {
    const auto count = static_cast<std::uint16_t>(bursts);
    const unsigned char bytes[2] = {static_cast<unsigned char>(count & 0xFF),
                                    static_cast<unsigned char>(count >> 8)};
    PosixFile file;
    const bool written =
        file.Open(path, O_WRONLY) &&
        file.WriteAt(bytes, 2, version == 1 ? IterationOffsetV1 : IterationOffset) &&
        file.DataSync();
    if (!written || !file.Close()) {
        throw InOutError("The burst count of " + path + " cannot be written (" + file.Reason() +
                         ")");
    }
}

} // namespace

std::optional<RecordingRepair::Report> RecordingRepair::Repair(const std::string& path,
                                                               Dialogs& dialogs, bool change,
                                                               const IndexProgress& progress) {
    RecordingLock lock;
    std::string why;
    Report report;
    if (!change) {
        // Only looking: no right to write is needed, and no run is kept from starting.
        MeasurementParameters header;
        const std::optional<RecordingContents> found =
            ExamineRecording(path, dialogs, header, progress);
        if (!found) {
            return std::nullopt;
        }
        report.Found = *found;
        report.Result = found->BeingRecorded         ? Outcome::BeingRecorded
                        : !found->CutOff()           ? Outcome::AlreadyFinished
                        : found->CompleteBursts == 0 ? Outcome::NoCompleteBurst
                                                     : Outcome::Repaired;
        if (report.Result == Outcome::Repaired && found->Format == RecordingFormat::Tsd) {
            struct stat status {};
            report.DroppedBytes =
                ::stat(path.c_str(), &status) == 0 ? status.st_size - found->Tsd.CompleteEnd : 0;
            report.Copied = static_cast<std::int64_t>(Digits(found->CompleteBursts)) !=
                            found->Tsd.CountLineBytes;
        }
        return report;
    }
    switch (lock.Acquire(path, why, false)) {
    case RecordingLock::Result::Taken:
        break;
    case RecordingLock::Result::HeldByAnother:
        report.Result = Outcome::BeingRecorded;
        return report;
    case RecordingLock::Result::Failed:
        throw InOutError("The file " + path + " cannot be opened for writing (" + why + ")");
    }
    std::unique_ptr<TsdCountPatch::Early> early;
    if (DetectRecordingFormat(path) == RecordingFormat::Tsd) {
        early = EarlyCopy(path);
    }
    MeasurementParameters header;
    std::optional<RecordingContents> found = ExamineRecording(path, dialogs, header, progress);
    if (!found) {
        return std::nullopt;
    }
    report.Found = *found;
    // The lock is ours, so the examination saw no run; it is not "being recorded".
    report.Found.BeingRecorded = false;
    if (!found->CutOff()) {
        report.Result = Outcome::AlreadyFinished;
        return report;
    }
    if (found->CompleteBursts == 0) {
        report.Result = Outcome::NoCompleteBurst;
        return report;
    }
    if (found->Format == RecordingFormat::Sdf) {
        WriteSdfCount(path, found->Version, found->CompleteBursts);
    } else {
        PosixFile file;
        const off_t size = file.Open(path, O_RDONLY) ? file.Size() : -1;
        if (size < 0) {
            throw InOutError("The file " + path + " cannot be examined (" + file.Reason() + ")");
        }
        report.DroppedBytes = size - found->Tsd.CompleteEnd;
        const TsdCountPatch::Way way =
            early ? early->Finish(found->Tsd, found->CompleteBursts, found->Tsd.CompleteEnd)
                  : TsdCountPatch::Apply(path, found->Tsd, found->CompleteBursts,
                                         found->Tsd.CompleteEnd);
        report.Copied = way == TsdCountPatch::Way::Copied;
    }
    report.Result = Outcome::Repaired;
    return report;
}

} // namespace tessary
