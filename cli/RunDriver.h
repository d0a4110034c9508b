// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "acquisition/CardMessageQueue.h"
#include "acquisition/RunControl.h"
#include "cli/RecordStopRule.h"
#include "cli/StopSignals.h"
#include "data/Clock.h"

namespace tessary {

// Drives a started run the way the window's event loop does: a pass, the card's messages,
// a sleep as long as the pass allows; and presses Stop once a signal arrived or the stop
// rule is due.
class RunDriver {
public:
    RunDriver(RunControl& run, CardMessageQueue& messages, const RecordStopRule& rule,
              const StopSignals& signals)
        : run_(run), messages_(messages), rule_(rule), signals_(signals) {}

    // Until the run has ended (the run's Outcome says how). The stop rule's time counts from
    // now on `clock`'s monotonic time, the run's own, so that a suspended machine counts it.
    void DriveUntilEnd(const Clock& clock);

private:
    RunControl& run_;
    CardMessageQueue& messages_;
    const RecordStopRule& rule_;
    const StopSignals& signals_;
};

} // namespace tessary
