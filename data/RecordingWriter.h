// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "data/MeasurementParameters.h"
#include "data/SdfWriter.h"
#include "data/TsdWriter.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

namespace tessary {

// Writes the header and blocks of a running recording on a thread of its own, so that
// formatting a block, writing it and forcing it to the disk never hold up the run's draining or
// its schedule (forcing 8 MB to a disk takes tens of milliseconds of waiting).
//
// The run hands over a finished burst by copying its samples into the writer's own buffers (a
// few milliseconds for 8 MB, no allocation): the record's Samples keep the burst, from which
// the charts draw until the next one begins, while this thread writes the copy. One job is in
// hand at a time, so handing over the next waits until the previous is written and memory stays
// at two bursts' buffers.
//
// Jobs are done in order, and after one fails nothing more is written: the file then holds
// exactly the blocks before the failed one (the block writers leave no part of a failed block).
class RecordingWriter {
public:
    struct Failure {
        std::int32_t Block = 0; // 0-based block, -1 for the header
        int Error = 0;          // the system's error
    };

    RecordingWriter() = default;
    ~RecordingWriter();
    RecordingWriter(const RecordingWriter&) = delete;
    RecordingWriter& operator=(const RecordingWriter&) = delete;

    // Prepares a run of `record` (its header fields, sizes, channel table and TargetFileName)
    // in the given format, and sizes its buffers like the record's. When `durable`, each write
    // is forced to the disk before it counts as done.
    void Begin(const MeasurementParameters& record, int fileType, bool durable);

    // Hands over a header rewrite of `record` (its StartTime is now known) to `path`.
    void SubmitHeader(const MeasurementParameters& record, const std::string& path);
    // Hands over burst k: copies the record's Samples and BurstValues. After a failure nothing
    // is handed over.
    void SubmitBlock(const MeasurementParameters& record, std::int32_t k);

    // Waits until the job in hand is done.
    void Wait();
    // Waits, and ends the thread, for a run that is over: none is left behind. Begin starts
    // it again.
    void End();

    // Blocks written since Begin, and the failure that ended the writing.
    std::int32_t Written() const;
    std::optional<Failure> Failed() const;

private:
    enum class Job { None, Header, Block };

    void Run();
    // Waits for the thread to be idle and starts it when needed; `lock` holds mutex_.
    void AwaitIdle(std::unique_lock<std::mutex>& lock);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::thread thread_;
    bool quit_ = false;
    Job job_ = Job::None;
    std::int32_t block_ = 0;
    std::string headerPath_;
    std::int32_t written_ = 0;
    std::optional<Failure> failure_;

    // Touched by the thread only while a job is in hand.
    MeasurementParameters record_;
    int fileType_ = 0;
    SdfWriter sdf_;
    TsdWriter tsd_;
};

} // namespace tessary
