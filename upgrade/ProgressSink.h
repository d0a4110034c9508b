// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace tessary {

// Progress of a long file operation that the user may cancel. The operation reports a
// percentage before each step and reads CancelRequested right after it.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    // Shows the progress with this title at 0 % and clears the cancel request.
    virtual void StartProgress(const std::string& title) = 0;
    // 0 to 100. A window takes the user's input here, so a cancel is seen right after it.
    virtual void SetProgressPercent(std::int32_t percent) = 0;
    virtual bool CancelRequested() const = 0;
    // Called when the operation ends, whether it finished, was cancelled or failed.
    virtual void Hide() = 0;
};

} // namespace tessary
