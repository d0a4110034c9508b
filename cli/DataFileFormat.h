// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

namespace tessary {

enum class DataFormat { Sdf, Tsd };

// The format of a data file as the program tells it, by the extension ".SDF" or ".TSD" in
// any case; a file with another extension by its first bytes. Nothing when neither tells.
std::optional<DataFormat> DetectDataFormat(const std::string& path);

// The version digit of a TSD file: the 34th character of its first line, which must hold
// "Time Series Data Text Format Ver."; 0 when it does not or cannot be read.
int TsdVersion(const std::string& path);

// The layout digit of an SDF file (offset 40); 0 when the file does not start with the SDF
// text, has no digit there, or cannot be read.
int SdfVersion(const std::string& path);

} // namespace tessary
