// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "data/DateTime.h"

#include <cstdint>
#include <functional>

namespace tessary {

// Nanoseconds on the clock that times work: one that neither jumps with the wall clock nor
// stops while the machine is suspended (CLOCK_BOOTTIME), from an arbitrary fixed origin.
// A card backend that times its own sampling takes one of these, so that its bursts and
// the run's schedule keep the same time.
using MonotonicSource = std::function<std::int64_t()>;

// CLOCK_BOOTTIME in nanoseconds.
std::int64_t BootTimeNanoseconds();

// The two times a run needs: the wall clock, which is recorded (a recording's start time,
// the status bar's clock), and the monotonic clock, which schedules (the wait, the bursts,
// the countdowns). Tests use a clock they step by hand, and can make its wall time jump.
class Clock {
public:
    virtual ~Clock() = default;
    // Local date and time, as days since 1899-12-30.
    virtual double Now() const = 0;
    // Nanoseconds on the monotonic clock.
    virtual std::int64_t Monotonic() const = 0;

    // The monotonic clock as a source for a card; valid while this clock lives.
    MonotonicSource MonotonicTime() const {
        return [this] { return Monotonic(); };
    }
};

class SystemClock final : public Clock {
public:
    double Now() const override { return NowDays(); }
    std::int64_t Monotonic() const override { return BootTimeNanoseconds(); }
};

} // namespace tessary
