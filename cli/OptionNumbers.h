// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Strict readers of numeric option values: the whole text must be the number, else a
// UsageError that names the option.
namespace tessary {

// A non-negative, finite number of seconds ("2", "0.5", "1e-3").
double ParseSeconds(std::string_view option, const std::string& text);

// A whole number from 1 to 2147483647.
std::int32_t ParseCount(std::string_view option, const std::string& text);

struct BurstScans {
    std::int32_t Burst = 0; // 1-based
    std::int32_t Scans = 0; // at least this many converted
};

// "B:N": burst B (at least 1) and N scans (at least 0).
BurstScans ParseBurstScans(std::string_view option, const std::string& text);

} // namespace tessary
