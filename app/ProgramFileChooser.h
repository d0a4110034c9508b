// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

namespace tessary {

// The open dialog that chooses the analysis program's file (no filter, no title of its own).
// The window shows a real dialog; tests script the choice.
class ProgramFileChooser {
public:
    virtual ~ProgramFileChooser() = default;
    // Proposes `current` as the file name; the chosen path on OK, nothing on cancel.
    virtual std::optional<std::string> ChooseProgramFile(const std::string& current) = 0;
};

} // namespace tessary
