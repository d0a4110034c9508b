// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/RecordingSource.h"

#include "data/FileError.h"

namespace tessary {

std::unique_ptr<RecordingSource> RecordingSource::Open(const std::string& path, Dialogs& dialogs,
                                                       const IndexProgress& progress) {
    std::unique_ptr<RecordingSource> source(new RecordingSource);
    source->path_ = path;
    std::optional<RecordingContents> contents =
        ExamineRecording(path, dialogs, source->header_, progress);
    if (!contents) {
        return nullptr;
    }
    source->contents_ = std::move(*contents);
    // Bursts are read into buffers of their own; the record's are not needed.
    source->header_.Samples = {};
    source->header_.BurstValues = {};
    return source;
}

std::int16_t RecordingSource::MissingMark() const {
    return HoldsStoredSamples() && contents_.Sdf.OldMissingMark() ? OldErrorValue : ErrorValue;
}

void RecordingSource::CheckBurst(std::int64_t k) const {
    if (k < 0 || k >= Bursts()) {
        throw FileError(path_, "holds no complete burst " + std::to_string(k + 1));
    }
}

void RecordingSource::OpenReaders() {
    // Readers are opened at the first burst: a header alone, however large the sizes it
    // states, allocates nothing, and a burst exists only when the file's length holds it.
    if (HoldsStoredSamples() && !sdf_) {
        sdf_ = std::make_unique<SdfBlockReader>(path_, contents_.Sdf);
    } else if (!HoldsStoredSamples() && !tsd_) {
        tsd_ = std::make_unique<TsdBlockReader>(path_, contents_.Tsd, header_);
    }
}

RecordedBurst RecordingSource::Read(std::int64_t k, bool values) {
    CheckBurst(k);
    OpenReaders();
    RecordedBurst burst;
    if (HoldsStoredSamples()) {
        if (values) {
            burst.Stored = sdf_->ReadStored(k);
        }
        burst.File = sdf_->Descriptor();
        burst.Offset = sdf_->BlockOffset(k);
        return burst;
    }
    tsd_->Read(k, values_);
    burst.Values = values_;
    return burst;
}

RecordedBurst RecordingSource::ReadInto(std::int64_t k, std::vector<std::int16_t>& stored,
                                        std::vector<double>& values) {
    CheckBurst(k);
    OpenReaders();
    RecordedBurst burst;
    if (HoldsStoredSamples()) {
        sdf_->ReadStored(k, stored);
        burst.Stored = stored;
        burst.File = sdf_->Descriptor();
        burst.Offset = sdf_->BlockOffset(k);
    } else {
        tsd_->Read(k, values);
        burst.Values = values;
    }
    return burst;
}

} // namespace tessary
