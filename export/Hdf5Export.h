// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "data/PosixFile.h"
#include "export/BurstWriter.h"
#include "export/Hdf5Handle.h"

#include <string>

namespace tessary {

class RecordingSource;

// A recording as an HDF5 file that any HDF5 reader understands without Tessary:
//   /samples        (bursts, DataNum, ChNum): the stored samples exactly as recorded (SDF:
//                   16-bit integers; TSD: the values as read, float64, NaN for "="), with
//                   the attributes scale and offset (per channel: A and B for SDF, 1 and 0 for
//                   TSD) and missing (the mark of a missing sample: -32768, 32767 in SDF
//                   layouts 1 to 3, NaN for TSD), so that the engineering values are
//                   where(x == missing, NaN, x * scale + offset);
//   /burst_values   (bursts, BurstValueNum) likewise, when the recording has any;
//   /channels/item, unit, a, b: the channel table as stored (all ChNum + BurstValueNum rows);
//   root attributes: format, version, memo, start_time (ISO 8601, local time),
//   start_time_days, sampling_interval (+ _unit, _s), burst_interval (+ _unit, _s), bursts,
//   stated_bursts, samples_per_burst, channels, burst_value_count.
// Each burst is chunked on its own (a long burst in several chunks), so one burst or a part of
// it reads without touching the others; with compression (shuffle + deflate) chunks hold at
// most 64 KiB, so reading a part of a burst does not decompress all of it.
// Uncompressed SDF samples are copied from the recording's file into their chunks, which are
// placed when the file is created, without passing through memory (as cp copies a file).
class Hdf5Export final : public BurstWriter {
public:
    // Creates the file at `path` (emptying it) with its header, channel table and datasets; a
    // FileError with the reason when it cannot.
    Hdf5Export(const std::string& path, const RecordingSource& source, bool compress);

    bool CopiesStoredValues() const override { return copy_; }
    void Write(std::int64_t k, const RecordedBurst& burst) override;
    void Finish() override;

private:
    void CopyBurst(std::int64_t k, const RecordedBurst& burst);
    // The output is forced to the disk before it replaces anything; starting the write-back
    // of each burst as it is written lets the disk work while the next one is prepared,
    // instead of all of it waiting for the end. Only a hint: the final sync reports failures.
    void StartWriteBack();

    std::string path_;
    std::string recording_;
    bool stored_;
    bool copy_;
    hsize_t chunkRows_ = 1;
    hsize_t dataNum_;
    hsize_t chNum_;
    hsize_t burstValueNum_;
    Hdf5Handle file_;
    Hdf5Handle samples_;
    Hdf5Handle burstValues_;
    PosixFile out_; // copies: the file beside the library's own descriptor
};

} // namespace tessary
