// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

// File-name rules of the program: extensions are replaced from the last dot of the file name
// (a name without one gets the extension appended) and compared in upper case.
namespace tessary {

// "C:/data/run.sdf" + ".tsd" → "C:/data/run.tsd"; "run" + ".tsd" → "run.tsd". A dot in a
// folder name does not count.
std::string ReplaceExtension(std::string_view path, std::string_view extension);

// The extension from the last dot of the file name on, in upper case ("" when none).
std::string UpperExtension(std::string_view path);

// The folder part including its trailing separator ("" for a bare name).
std::string FolderPart(std::string_view path);

// The file name without its folder.
std::string NamePart(std::string_view path);

} // namespace tessary
