// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/TsdExport.h"

#include "data/FileError.h"
#include "data/GeneralFormat.h"
#include "data/TsdBlockReader.h"
#include "export/RecordingSource.h"

namespace tessary {

TsdExport::TsdExport(const std::string& path, const RecordingSource& source)
    : path_(path), record_(source.Header()), stored_(source.HoldsStoredSamples()),
      missing_(source.MissingMark()), file_(path) {
    record_.Iteration = static_cast<std::int16_t>(source.Bursts());
    if (stored_) {
        record_.AllocateSampleBuffers();
    }
    file_.Write(TsdWriter::EncodeHeader(record_));
}

void TsdExport::Write(std::int64_t k, const RecordedBurst& burst) {
    if (stored_) {
        WriteStored(k, burst);
    } else {
        WriteValues(k, burst);
    }
}

void TsdExport::WriteStored(std::int64_t k, const RecordedBurst& burst) {
    std::size_t at = 0;
    const auto next = [&] {
        const std::int16_t sample = burst.Stored[at++];
        return sample == missing_ ? ErrorValue : sample;
    };
    for (std::size_t j = 0; j < static_cast<std::size_t>(record_.DataNum); ++j) {
        for (std::size_t c = 0; c < static_cast<std::size_t>(record_.ChNum); ++c) {
            record_.Samples[c][j] = next();
        }
    }
    for (auto& value : record_.BurstValues) {
        value = next();
    }
    if (!writer_.FormatBlock(record_, static_cast<std::int32_t>(k), [this](std::string_view piece) {
            file_.Write(piece);
            return true;
        })) {
        throw FileError(path_, "burst " + std::to_string(k + 1) +
                                   " cannot be formatted: not enough memory");
    }
}

void TsdExport::WriteValues(std::int64_t k, const RecordedBurst& burst) {
    char number[GeneralFormatMaxChars];
    const auto list = [&](std::size_t from, int count) {
        for (int i = 0; i < count; ++i) {
            if (i > 0) {
                text_ += ',';
            }
            const double value = burst.Values[from + static_cast<std::size_t>(i)];
            if (IsTsdMissing(value)) {
                text_ += '=';
            } else {
                text_.append(number, FormatGeneralTo(number, value, 7));
            }
        }
        text_ += "\r\n";
    };
    text_ = "No." + std::to_string(k + 1) + "\r\n";
    const auto channels = static_cast<std::size_t>(record_.ChNum);
    for (std::size_t j = 0; j < static_cast<std::size_t>(record_.DataNum); ++j) {
        list(j * channels, record_.ChNum);
        if (text_.size() >= (std::size_t{1} << 20)) {
            file_.Write(text_);
            text_.clear();
        }
    }
    if (record_.BurstValueNum > 0) {
        list(static_cast<std::size_t>(record_.DataNum) * channels, record_.BurstValueNum);
    }
    file_.Write(text_);
}

} // namespace tessary
