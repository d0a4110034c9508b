// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace tessary {

// The tool's stderr: status and error lines always, a one-line progress bar only when
// stderr is a terminal. A line printed while the bar shows clears the bar first and draws
// it again below the line.
class StatusConsole {
public:
    StatusConsole();

    void Line(std::string_view text);
    // Text without a line end, for a question; the bar is cleared first.
    void Prompt(std::string_view text);
    // Percent 0 to 100 (clamped) and a short text beside the bar; redrawn on a change, at
    // most every 50 ms.
    void Bar(std::int32_t percent, std::string_view text);
    void ClearBar();

private:
    void Put(std::string_view bytes);
    void DrawBar();

    bool drawBar_;
    bool barShown_ = false;
    std::int32_t percent_ = -1;
    std::string barText_;
    std::chrono::steady_clock::time_point drawn_;
};

} // namespace tessary
