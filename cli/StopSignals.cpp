// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/StopSignals.h"

namespace tessary {

namespace {

volatile std::sig_atomic_t raisedSignal = 0;

extern "C" void NoteStop(int signal) {
    raisedSignal = signal;
}

} // namespace

StopSignals::StopSignals() {
    raisedSignal = 0;
    struct sigaction action {};
    action.sa_handler = NoteStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGINT, &action, &oldInt_);
    sigaction(SIGTERM, &action, &oldTerm_);
}

StopSignals::~StopSignals() {
    sigaction(SIGINT, &oldInt_, nullptr);
    sigaction(SIGTERM, &oldTerm_, nullptr);
}

bool StopSignals::Raised() const {
    return raisedSignal != 0;
}

int StopSignals::Signal() const {
    return raisedSignal;
}

} // namespace tessary
