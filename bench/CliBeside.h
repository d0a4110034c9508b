// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/ProgramPaths.h"

#include <filesystem>
#include <string>

namespace tessary {

// The headless tool built beside the running benchmark, whose runs are the baseline.
inline std::string CliBeside() {
    const std::filesystem::path self = RunningProgramFile();
    return ((self.empty() ? std::filesystem::path(".") : self.parent_path()) / "tessary-cli")
        .string();
}

} // namespace tessary
