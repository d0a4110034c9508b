// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/RunDriver.h"

#include <time.h>

namespace tessary {

namespace {

using Seconds = std::chrono::duration<double>;

constexpr auto DrainSlice = std::chrono::microseconds(4000);

// A sleep that a stop signal cuts short (nanosleep returns on EINTR).
void SleepFor(Seconds time) {
    if (time <= Seconds::zero()) {
        return;
    }
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(time).count();
    timespec request{static_cast<time_t>(ns / 1'000'000'000),
                     static_cast<long>(ns % 1'000'000'000)};
    ::nanosleep(&request, nullptr);
}

} // namespace

void RunDriver::DriveUntilEnd(const Clock& clock) {
    const std::int64_t begin = clock.Monotonic();
    while (run_.Running()) {
        run_.SetDrainSlice(rule_.WatchesScans(run_.State()) ? std::chrono::microseconds(0)
                                                            : DrainSlice);
        const auto wait = run_.Pass();
        messages_.DeliverTo(run_);
        if (!run_.Running()) {
            break;
        }
        const Seconds since = std::chrono::nanoseconds(clock.Monotonic() - begin);
        if (signals_.Raised() || rule_.Due(run_.State(), since)) {
            run_.BtnAdStopClick();
            messages_.DeliverTo(run_);
            return;
        }
        Seconds sleep = wait;
        if (const auto left = rule_.TimeLeft(since); left && *left < sleep) {
            sleep = *left;
        }
        SleepFor(sleep);
    }
}

} // namespace tessary
