// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/TerminalProgress.h"

namespace tessary {

void TerminalProgress::StartProgress(const std::string& title) {
    console_.Line(title);
    SetProgressPercent(0);
}

void TerminalProgress::SetProgressPercent(std::int32_t percent) {
    console_.Bar(percent, "");
}

} // namespace tessary
