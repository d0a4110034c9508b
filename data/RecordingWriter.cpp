#include "data/RecordingWriter.h"

#include "data/TFrmSDFdata.h"

#include <cerrno>

namespace tessary {

RecordingWriter::~RecordingWriter() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
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
    // The record's buffers are copied with it: they become the spare set.
    record_ = record;
    fileType_ = fileType;
    sdf_.SetDurable(durable);
    tsd_.SetDurable(durable);
    written_ = 0;
    failure_.reset();
    lent_ = false;
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

void RecordingWriter::SubmitBlock(MeasurementParameters& record, std::int32_t k) {
    std::unique_lock lock(mutex_);
    AwaitIdle(lock);
    lent_ = !failure_;
    if (failure_) {
        return;
    }
    std::swap(record.Samples, record_.Samples);
    std::swap(record.BurstValues, record_.BurstValues);
    block_ = k;
    job_ = Job::Block;
    changed_.notify_all();
}

void RecordingWriter::Wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return job_ == Job::None; });
}

void RecordingWriter::TakeBack(MeasurementParameters& record) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return job_ == Job::None; });
    if (lent_) {
        std::swap(record.Samples, record_.Samples);
        std::swap(record.BurstValues, record_.BurstValues);
        lent_ = false;
    }
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
