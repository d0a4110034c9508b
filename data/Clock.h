#pragma once

#include "data/DateTime.h"

namespace tessary {

// Now, as days since 1899-12-30; tests use a clock they step by hand.
class Clock {
public:
    virtual ~Clock() = default;
    virtual double Now() const = 0;
};

class SystemClock final : public Clock {
public:
    double Now() const override { return NowDays(); }
};

} // namespace tessary
