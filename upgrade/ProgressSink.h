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
    virtual void SetProgressPercent(std::int32_t percent) = 0;
    virtual bool CancelRequested() const = 0;
    virtual void Hide() = 0;
};

} // namespace tessary
