// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/OptionNumbers.h"

#include "cli/UsageError.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

namespace tessary {

namespace {

std::optional<std::int64_t> WholeNumber(std::string_view text) {
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end) {
        return std::nullopt;
    }
    return value;
}

[[noreturn]] void Refuse(std::string_view option, std::string_view text, std::string_view what) {
    throw UsageError("--" + std::string(option) + ": \"" + std::string(text) + "\" is not " +
                     std::string(what));
}

} // namespace

double ParseSeconds(std::string_view option, const std::string& text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value) || value < 0) {
        Refuse(option, text, "a number of seconds (0 or more)");
    }
    return value;
}

std::int32_t ParseCount(std::string_view option, const std::string& text) {
    const auto value = WholeNumber(text);
    if (!value || *value < 1 || *value > std::numeric_limits<std::int32_t>::max()) {
        Refuse(option, text, "a whole number of 1 or more");
    }
    return static_cast<std::int32_t>(*value);
}

BurstScans ParseBurstScans(std::string_view option, const std::string& text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) {
        Refuse(option, text, "of the form BURST:SCANS");
    }
    const auto burst = WholeNumber(std::string_view(text).substr(0, colon));
    const auto scans = WholeNumber(std::string_view(text).substr(colon + 1));
    constexpr std::int64_t max = std::numeric_limits<std::int32_t>::max();
    if (!burst || !scans || *burst < 1 || *burst > max || *scans < 0 || *scans > max) {
        Refuse(option, text, "of the form BURST:SCANS with BURST 1 or more and SCANS 0 or more");
    }
    return {static_cast<std::int32_t>(*burst), static_cast<std::int32_t>(*scans)};
}

} // namespace tessary
