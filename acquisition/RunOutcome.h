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
    };

    End How = End::None;
    std::string Reason; // Failed: the operator's message (UTF-8), the system's reason included

    bool Ended() const { return How != End::None; }
};

} // namespace tessary
