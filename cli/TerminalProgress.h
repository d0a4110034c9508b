// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/StatusConsole.h"
#include "cli/StopSignals.h"
#include "upgrade/ProgressSink.h"

#include <string>

namespace tessary {

// Progress of a file operation on the tool's stderr: the title as a status line, the
// percentage as a bar on a terminal. Ctrl-C or SIGTERM is the Cancel button.
class TerminalProgress final : public ProgressSink {
public:
    TerminalProgress(StatusConsole& console, const StopSignals& signals)
        : console_(console), signals_(signals) {}

    void StartProgress(const std::string& title) override;
    void SetProgressPercent(std::int32_t percent) override;
    bool CancelRequested() const override { return signals_.Raised(); }
    void Hide() override { console_.ClearBar(); }

private:
    StatusConsole& console_;
    const StopSignals& signals_;
};

} // namespace tessary
