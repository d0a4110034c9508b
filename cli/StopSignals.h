// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <csignal>

namespace tessary {

// While an object lives, SIGINT and SIGTERM only note that a stop was asked for; the
// previous handlers come back when it is destroyed. Blocking calls are interrupted
// (no SA_RESTART) so that a prompt can notice Ctrl-C. One object at a time.
class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    bool Raised() const;
    // The signal that asked last; 0 when none.
    int Signal() const;

private:
    struct sigaction oldInt_ {};
    struct sigaction oldTerm_ {};
};

} // namespace tessary
