// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

namespace tessary {

enum class ExportFormat { Tsd, Csv, Hdf5 };

// The format an output's extension names, in any case: ".tsd", ".csv", ".h5" or ".hdf5".
std::optional<ExportFormat> ExportFormatOf(const std::string& path);

} // namespace tessary
