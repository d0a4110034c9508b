// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/RecordingExport.h"

#include "data/FileError.h"
#include "export/CsvExport.h"
#include "export/Hdf5Export.h"
#include "export/TemporaryOutput.h"
#include "export/TsdExport.h"

#include <memory>

namespace tessary {

namespace {

std::unique_ptr<BurstWriter> OpenWriter(const std::string& path, RecordingSource& source,
                                        const ExportOptions& options) {
    switch (options.Format) {
    case ExportFormat::Tsd:
        return std::make_unique<TsdExport>(path, source);
    case ExportFormat::Csv:
        return std::make_unique<CsvExport>(path, source);
    case ExportFormat::Hdf5:
        return std::make_unique<Hdf5Export>(path, source, options.Compress);
    }
    return nullptr;
}

// Writes every burst; false when cancelled.
bool WriteBursts(RecordingSource& source, BurstWriter& writer, const ExportProgress& progress) {
    const std::int64_t bursts = source.Bursts();
    for (std::int64_t k = 0; k < bursts; ++k) {
        if (progress && !progress(k, bursts)) {
            return false;
        }
        writer.Write(k, source.Read(k, !writer.CopiesStoredValues()));
    }
    writer.Finish();
    return !progress || progress(bursts, bursts);
}

} // namespace

bool ExportRecording(RecordingSource& source, const std::string& output,
                     const ExportOptions& options, const ExportProgress& progress) {
    TemporaryOutput file(output);
    try {
        const std::unique_ptr<BurstWriter> writer = OpenWriter(file.WritePath(), source, options);
        if (!WriteBursts(source, *writer, progress)) {
            return false;
        }
    } catch (const FileError& e) {
        // The temporary file is the output's stand-in: name the output.
        if (e.Path() == file.WritePath()) {
            throw FileError(output, e.what());
        }
        throw;
    }
    file.Commit();
    return true;
}

} // namespace tessary
