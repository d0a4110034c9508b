// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "data/Dialogs.h"
#include "data/MeasurementParameters.h"
#include "data/SdfWriter.h"
#include "data/TsdWriter.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessary {

class OldFormatUpgrader;

// File type of a recording: the position of the main window's file-type choice.
inline constexpr int FileTypeSdf = 0;
inline constexpr int FileTypeTsd = 1;

// What finishing a stopped recording needs of the run.
struct StoppedRun {
    bool IrqModeActive = false;   // a burst was being acquired at the stop
    std::int32_t ScansDone = 0;   // time steps of that burst already in Samples
    std::int32_t BurstNumber = 0; // 1-based number of the burst begun last; 0 before the first
    int FileType = FileTypeSdf;
    std::string FileName; // the data file, also TargetFileName during the run
};

// Removes one leading and then one trailing single quote, each only if present.
std::string StripQuotes(std::string_view text);
// Cuts at each "," into at most 129 items; the rest after the 129th is dropped.
std::vector<std::string> SplitCommaList(std::string_view text);

// Holds the one MeasurementParameters record for the life of the program and carries the
// file operations on it. Never shown.
class TFrmSDFdata {
public:
    explicit TFrmSDFdata(Dialogs& dialogs) : dialogs_(dialogs) {}

    MeasurementParameters& Record() { return record_; }
    const MeasurementParameters& Record() const { return record_; }

    Dialogs& MessageBoxes() { return dialogs_; }

    // SDF files: header read (layouts 1 to 4), header write (layout 4), block k of
    // TargetFileName. True on success.
    bool ReadSdfHeader(const std::string& path);
    bool WriteSdfHeader(const std::string& path);
    bool WriteSdfBlock(std::int32_t k);

    // TSD files: header read (versions 1 and 2), header write (version 2), block k appended
    // to TargetFileName. True on success.
    bool ReadTsdHeader(const std::string& path);
    bool WriteTsdHeader(const std::string& path);
    bool WriteTsdBlock(std::int32_t k);

    // The system's error of the last header or block write that failed (0 after a success).
    int LastWriteError() const { return writeError_; }
    // Whether every header and block write is forced to the disk before it counts as done.
    void SetDurableWrites(bool durable);

    // Leaves a stopped recording with the interrupted burst written and a header that states
    // the blocks the file holds, and returns their number. See StoppedRecording.
    std::int32_t FinishStoppedRecording(const StoppedRun& run);

    // Converts old SDF layouts when the reader meets one; without it such files are refused.
    void SetUpgrader(OldFormatUpgrader* upgrader) { upgrader_ = upgrader; }
    OldFormatUpgrader* Upgrader() const { return upgrader_; }

    // The header readers refuse a file whose sample buffers would exceed this many bytes
    // (a RangeError naming the file) instead of allocating them.
    void SetSampleBufferLimit(std::int64_t bytes) { sampleBufferLimit_ = bytes; }
    std::int64_t SampleBufferLimit() const { return sampleBufferLimit_; }
    // The header readers check the sizes but leave the sample buffers as they are, for a
    // reader that reads bursts into buffers of its own: a header alone then allocates nothing,
    // whatever sizes it states.
    void SetHeadersOnly(bool headersOnly) { headersOnly_ = headersOnly; }

    // Steps of the header readers after the fields are in the record: the burst-interval
    // normalisation, the derived sizes checked against the limits, and the sample buffers.
    // Errors name the file.
    void NormaliseAfterRead(const std::string& path);
    void CheckSizesAfterRead(const std::string& path);
    // The buffers are sized only when the file, after its first `headerBytes`, can hold one
    // burst of the size its header states: a few hostile header bytes must not make the
    // program take gigabytes. Otherwise they are left for whoever reads or records a burst
    // (AllocateSampleBuffers), when the size has met a file or the operator's Start.
    void AllocateBuffersAfterRead(const std::string& path, std::int64_t headerBytes);

private:
    MeasurementParameters record_;
    Dialogs& dialogs_;
    OldFormatUpgrader* upgrader_ = nullptr;
    std::int64_t sampleBufferLimit_ = 0x7FFFFFFF;
    bool headersOnly_ = false;
    SdfWriter sdfWriter_;
    TsdWriter tsdWriter_;
    int writeError_ = 0;
};

} // namespace tessary
