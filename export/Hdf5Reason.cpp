// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/Hdf5Reason.h"

#include <hdf5.h>

#include <charconv>
#include <cstring>
#include <string_view>

namespace tessary {

namespace {

struct Reasons {
    std::string Innermost;
    std::string System;
};

// The library's file driver words a failed system call "..., errno = N, error message = ...".
herr_t Collect(unsigned position, const H5E_error2_t* error, void* data) {
    auto& reasons = *static_cast<Reasons*>(data);
    const std::string_view text = error->desc != nullptr ? error->desc : "";
    if (position == 0) {
        reasons.Innermost = text;
    }
    constexpr std::string_view Marker = "errno = ";
    const std::size_t at = text.find(Marker);
    if (reasons.System.empty() && at != std::string_view::npos) {
        int number = 0;
        const char* first = text.data() + at + Marker.size();
        const auto [end, ec] = std::from_chars(first, text.data() + text.size(), number);
        if (ec == std::errc() && end != first && number > 0) {
            reasons.System = std::strerror(number);
        }
    }
    return 0;
}

} // namespace

void PrepareHdf5Library() {
    static const bool prepared = [] {
        H5dont_atexit(); // must come before any other call
        H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
        return true;
    }();
    (void)prepared;
}

std::string Hdf5Reason() {
    Reasons reasons;
    H5Ewalk2(H5E_DEFAULT, H5E_WALK_UPWARD, Collect, &reasons);
    H5Eclear2(H5E_DEFAULT);
    if (!reasons.System.empty()) {
        return reasons.System;
    }
    return reasons.Innermost.empty() ? "the HDF5 library failed" : reasons.Innermost;
}

} // namespace tessary
