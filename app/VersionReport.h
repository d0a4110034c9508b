// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace tessary {

// What `--version` prints: the program's name, the version the About box shows, and its
// licence.
std::string VersionReport(std::string_view program);

} // namespace tessary
