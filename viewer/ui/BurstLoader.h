// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "data/MeasurementParameters.h"
#include "data/RecordingContents.h"
#include "viewer/ShownBurst.h"

#include <QObject>
#include <QString>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace tessary {

class RecordingSource;

// What the viewer window shows of an opened recording besides its bursts.
struct RecordingInfo {
    std::string Path;
    MeasurementParameters Header; // sample buffers empty
    RecordingContents Contents;
    std::string Notice; // cut off or being recorded; empty for a finished recording
};

// Reads a recording for a viewer window on a thread of its own, so that the window's thread,
// which also drives a running measurement, never waits for the disk or for indexing.
//
// The window moves the loader to a QThread and calls its slots through queued invocations;
// results come back as queued signals carrying objects that nothing changes afterwards. A
// newer request for the same role makes older ones that have not started yet be skipped, so
// holding PgDn reads only the bursts that are still wanted. Stop() may be called from any
// thread: it ends an indexing in progress and skips every later request.
class BurstLoader : public QObject {
    Q_OBJECT

public:
    enum Role { ShownRole = 0, OverlayRole = 1 };

    explicit BurstLoader(std::string path);
    ~BurstLoader() override;

    // Any thread. The number of a new request of `role`; requests below the newest are skipped.
    std::uint64_t NextRequest(int role);
    void Stop() { stop_ = true; }

    // The loader's thread.
    // Examines the file (a TSD file is indexed once, with Progress), then Opened or Failed. An
    // Open while a recording is already open reads it anew (the bursts added since).
    void Open();
    // Reads burst k (0-based) and indexes it; BurstRead or Failed.
    void Read(std::uint64_t request, int role, std::int64_t k);
    // Writes scans first to end − 1 of burst k to `target` as CSV; Exported or Failed.
    void ExportCsv(const QString& target, std::int64_t k, std::int32_t first, std::int32_t end);

signals:
    void Progress(qint64 done, qint64 total);
    void Opened(std::shared_ptr<const tessary::RecordingInfo> info);
    void BurstRead(quint64 request, int role, std::shared_ptr<const tessary::ShownBurst> burst);
    void Exported(QString target);
    void Failed(QString message);

private:
    std::string path_;
    std::unique_ptr<RecordingSource> source_;
    std::atomic<bool> stop_{false};
    std::array<std::atomic<std::uint64_t>, 2> newest_{};
};

} // namespace tessary
