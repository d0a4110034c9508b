// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace tessary {

// How the last run ended, for the window, the headless tool and the tests to read instead of
// comparing status texts or counting message boxes.
struct RunOutcome {
    enum class End {
        None,      // no run has ended since the last Start (or none was started)
        Completed, // every planned burst was recorded
        Stopped,   // Stop was pressed (or the host pressed it: a signal, closing the window)
        Failed,    // the card, a file or a conversion failed; Reason says why
        // A run without a burst count reached the most bursts its header (32 767) or its SDF
        // file (the 2 GB offset limit) can hold and ended there, the file finished; Reason
        // says which.
        LimitReached,
    };

    End How = End::None;
    std::string Reason; // Failed, LimitReached: the operator's message (UTF-8), with the system's
                        // reason for a failure

    bool Ended() const { return How != End::None; }
};

} // namespace tessary
