#include "data/RecordingRepair.h"

#include "data/Errors.h"
#include "data/PosixFile.h"
#include "data/RecordingLock.h"
#include "data/SdfLayout.h"
#include "data/TsdCountPatch.h"

#include <fcntl.h>

namespace tessary {

namespace {

// The burst count's place in the fixed header: after ChNum, BurstValueNum, DataNum, SInterval
// and, from layout 2 on, the sampling unit's byte.
constexpr std::int64_t IterationOffsetV1 = sdf::FieldsOffset + 2 + 2 + 4 + 4;
constexpr std::int64_t IterationOffset = IterationOffsetV1 + 1;

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

std::optional<RecordingRepair::Report>
RecordingRepair::Repair(const std::string& path, Dialogs& dialogs, const IndexProgress& progress) {
    RecordingLock lock;
    std::string why;
    Report report;
    switch (lock.Acquire(path, why, false)) {
    case RecordingLock::Result::Taken:
        break;
    case RecordingLock::Result::HeldByAnother:
        report.Result = Outcome::BeingRecorded;
        return report;
    case RecordingLock::Result::Failed:
        throw InOutError("The file " + path + " cannot be opened for writing (" + why + ")");
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
        report.Copied = TsdCountPatch::Apply(path, found->Tsd, found->CompleteBursts,
                                             found->Tsd.CompleteEnd) == TsdCountPatch::Way::Copied;
    }
    report.Result = Outcome::Repaired;
    return report;
}

} // namespace tessary
