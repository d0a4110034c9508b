// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "data/Dialogs.h"
#include "data/MeasurementParameters.h"
#include "data/RecordingContents.h"
#include "data/SdfBlockReader.h"
#include "data/TsdBlockReader.h"
#include "export/RecordedBurst.h"

#include <memory>
#include <string>
#include <vector>

namespace tessary {

// A recording of either format opened for reading its complete bursts one at a time, by the
// one definition of complete bursts (ExamineRecording). An SDF of an old layout is read as it
// is, never converted.
class RecordingSource {
public:
    // Nothing when the file is not a recording of a layout this program reads; the reason has
    // been shown through `dialogs` then. Errors of the readers are raised. `progress` sees the
    // reading of a TSD file to the end of its complete blocks and may stop it (the recording
    // then counts the blocks found so far).
    static std::unique_ptr<RecordingSource> Open(const std::string& path, Dialogs& dialogs,
                                                 const IndexProgress& progress = {});
    RecordingSource(const RecordingSource&) = delete;
    RecordingSource& operator=(const RecordingSource&) = delete;

    const std::string& Path() const { return path_; }
    // The header as read; its sample buffers are left empty.
    const MeasurementParameters& Header() const { return header_; }
    const RecordingContents& Contents() const { return contents_; }
    std::int64_t Bursts() const { return contents_.CompleteBursts; }

    // SDF: bursts hold the stored 16-bit samples; TSD: engineering values.
    bool HoldsStoredSamples() const { return contents_.Format == RecordingFormat::Sdf; }
    // What marks a missing stored sample: 32767 in SDF layouts 1 to 3, else ErrorValue.
    std::int16_t MissingMark() const;

    // Burst k, 0-based, below Bursts(). A FileError naming the file when it cannot be read.
    // With `values` false an SDF burst tells only where its values lie in the file.
    RecordedBurst Read(std::int64_t k, bool values = true);
    // Burst k into the caller's buffers (SDF: `stored`, TSD: `values`), so that a reader that
    // keeps bursts holds each one once; the burst's spans point into them.
    RecordedBurst ReadInto(std::int64_t k, std::vector<std::int16_t>& stored,
                           std::vector<double>& values);

private:
    RecordingSource() = default;
    void CheckBurst(std::int64_t k) const;
    void OpenReaders();

    std::string path_;
    MeasurementParameters header_;
    RecordingContents contents_;
    std::unique_ptr<SdfBlockReader> sdf_;
    std::unique_ptr<TsdBlockReader> tsd_;
    std::vector<double> values_;
};

} // namespace tessary
