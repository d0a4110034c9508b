// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "data/RecordingContents.h"
#include "data/RecordingRepair.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <thread>

namespace tessary {

// Looks at a data file, and finishes it, on a thread of its own, so that the window never
// waits for a large TSD file to be read or copied. The results come back on the window's
// thread; nothing is shown from the other thread (its readers' messages are dropped). Closing
// the window stops a look that is still reading.
class CutOffRecordingCheck : public QObject {
public:
    using Found = std::function<void(const RecordingContents&)>;
    // The repair's report, or the error's message; nothing for a file that is no recording.
    using Done = std::function<void(const std::optional<RecordingRepair::Report>&,
                                    const std::string& error)>;

    explicit CutOffRecordingCheck(QObject* parent = nullptr) : QObject(parent) {}
    ~CutOffRecordingCheck() override;

    // Calls `found` when the file at `path` is a recording that a repair would change
    // (RecordingContents::Repairable); a missing file or one that is no recording gives no call.
    void Examine(const std::string& path, Found found);
    // Repairs the file at `path` (RecordingRepair) and calls `done`.
    void Repair(const std::string& path, Done done);

private:
    void Run(std::function<void()> work);

    std::thread thread_;
    std::atomic<bool> closing_{false};
};

} // namespace tessary
