// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/Clock.h"

#include <ctime>

namespace tessary {

std::int64_t BootTimeNanoseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

} // namespace tessary
