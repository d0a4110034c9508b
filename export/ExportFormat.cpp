// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/ExportFormat.h"

#include "data/FileNames.h"

namespace tessary {

std::optional<ExportFormat> ExportFormatOf(const std::string& path) {
    const std::string extension = UpperExtension(path);
    if (extension == ".TSD") {
        return ExportFormat::Tsd;
    }
    if (extension == ".CSV") {
        return ExportFormat::Csv;
    }
    if (extension == ".H5" || extension == ".HDF5") {
        return ExportFormat::Hdf5;
    }
    return std::nullopt;
}

} // namespace tessary
