// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/RecordingWriter.h"

#include "data/TFrmSDFdata.h"

#include <algorithm>
#include <cerrno>

namespace tessary {

RecordingWriter::~RecordingWriter() {
    End();
}

void RecordingWriter::End() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
    std::lock_guard lock(mutex_);
    quit_ = false;
}

void RecordingWriter::AwaitIdle(std::unique_lock<std::mutex>& lock) {
    changed_.wait(lock, [this] { return job_ == Job::None; });
    if (!thread_.joinable()) {
        thread_ = std::thread([this] { Run(); });
    }
}

void RecordingWriter::Begin(const MeasurementParameters& record, int fileType, bool durable) {
    std::unique_lock lock(mutex_);
    AwaitIdle(lock);
    // The record's buffers are copied with it: they become the writer's own.
    record_ = record;
    fileType_ = fileType;
    sdf_.SetDurable(durable);
    tsd_.SetDurable(durable);
    written_ = 0;
    failure_.reset();
}

void RecordingWriter::SubmitHeader(const MeasurementParameters& record, const std::string& path) {
    std::unique_lock lock(mutex_);
    AwaitIdle(lock);
    if (failure_) {
        return;
    }
    record_.StartTime = record.StartTime;
    headerPath_ = path;
    job_ = Job::Header;
    changed_.notify_all();
}

void RecordingWriter::SubmitBlock(const MeasurementParameters& record, std::int32_t k) {
    std::unique_lock lock(mutex_);
    AwaitIdle(lock);
    if (failure_) {
        return;
    }
    // The buffers were sized at Begin like the record's, which keep their sizes for the run.
    for (std::size_t c = 0; c < record_.Samples.size() && c < record.Samples.size(); ++c) {
        std::copy(record.Samples[c].begin(),
                  record.Samples[c].begin() +
                      static_cast<std::ptrdiff_t>(
                          std::min(record.Samples[c].size(), record_.Samples[c].size())),
                  record_.Samples[c].begin());
    }
    std::copy(record.BurstValues.begin(),
              record.BurstValues.begin() +
                  static_cast<std::ptrdiff_t>(
                      std::min(record.BurstValues.size(), record_.BurstValues.size())),
              record_.BurstValues.begin());
    block_ = k;
    job_ = Job::Block;
    changed_.notify_all();
}

void RecordingWriter::Wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return job_ == Job::None; });
}

std::int32_t RecordingWriter::Written() const {
    std::lock_guard lock(mutex_);
    return written_;
}

std::optional<RecordingWriter::Failure> RecordingWriter::Failed() const {
    std::lock_guard lock(mutex_);
    return failure_;
}

void RecordingWriter::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return quit_ || job_ != Job::None; });
        if (job_ == Job::None) {
            return; // quit with nothing in hand
        }
        const Job job = job_;
        const std::int32_t k = block_;
        lock.unlock();
        bool done = false;
        int error = 0;
        if (job == Job::Header) {
            done = fileType_ == FileTypeTsd ? tsd_.WriteHeader(record_, headerPath_)
                                            : sdf_.WriteHeader(record_, headerPath_);
            error = fileType_ == FileTypeTsd ? tsd_.LastError() : sdf_.LastError();
        } else {
            done = fileType_ == FileTypeTsd ? tsd_.WriteBlock(record_, k)
                                            : sdf_.WriteBlock(record_, k);
            error = fileType_ == FileTypeTsd ? tsd_.LastError() : sdf_.LastError();
        }
        lock.lock();
        if (done) {
            written_ += job == Job::Block ? 1 : 0;
        } else {
            failure_ = Failure{job == Job::Block ? k : -1, error != 0 ? error : EIO};
        }
        job_ = Job::None;
        changed_.notify_all();
    }
}

} // namespace tessary
