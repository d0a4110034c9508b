// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "acquisition/sigrok/SamplingPlan.h"
#include "acquisition/sigrok/WordRing.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct sr_dev_inst;
struct sr_datafeed_packet;

namespace tessary {

class SigrokDevice;

// One acquisition from an open device, run by libsigrok's session on a thread of its own
// with a GLib main context of its own, so that no event of the library is ever handled on
// the engine's thread. The device's samples become raw words (ReadingWords) in the ring,
// scan by scan:
// - Hardware timing: the device acquires the burst's samples at its rate; the per-channel
//   packets are assembled into scans.
// - Software timing: each channel's latest reading is kept; scan 0 is taken once every
//   channel has sent one, and scan i at i sampling intervals after it on the engine's clock.
// - Probe: every analog input runs until each has sent a packet, only to learn the units.
// The session ends by itself when the burst's scans are complete, when the device stops,
// or on Stop().
class SigrokBurst {
public:
    using TimeSource = std::function<std::int64_t()>; // nanoseconds, monotonic

    enum class Kind { Hardware, Software, Probe };

    struct Request {
        Kind Mode = Kind::Hardware;
        std::vector<int> Inputs;      // the device's analog input of each burst channel
        std::vector<double> Dividers; // per burst channel
        std::int64_t Scans = 0;
        std::int64_t IntervalNs = 0; // Software
        WordRing* Ring = nullptr;    // not needed by a probe
        TimeSource Now;
    };

    SigrokBurst(SigrokDevice& device, Request request);
    ~SigrokBurst(); // stops and joins
    SigrokBurst(const SigrokBurst&) = delete;
    SigrokBurst& operator=(const SigrokBurst&) = delete;

    // Starts the session on its thread and waits until it runs. False when the library
    // refused to start it (the thread has ended then).
    bool Start();
    // Asks the session to end soon; from the engine's thread at any time.
    void Stop();
    // Waits for the session's thread to end.
    void Join();

    bool Ended() const { return ended_.load(std::memory_order_acquire); }
    bool Overflowed() const { return overflowed_.load(std::memory_order_acquire); }
    // The unit of each burst channel, as far as the device has told it.
    std::vector<std::string> Units() const;

private:
    static void Feed(const sr_dev_inst* device, const sr_datafeed_packet* packet, void* self);
    static int OnTick(void* self);
    static int OnStopSoon(void* self);
    void Run();
    void TakeAnalog(const void* payload);
    void EmitDueScans();
    void ArmTick();
    void StopSoon();
    int ColumnOf(const void* channel) const;

    SigrokDevice& device_;
    Request request_;
    std::vector<const void*> columns_; // the library's channel of each burst channel
    std::thread thread_;
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> ended_{false};
    std::atomic<bool> overflowed_{false};
    int startResult_ = 0;
    std::mutex startMutex_;
    bool started_ = false;
    std::condition_variable startDone_;

    // Owned by the session's thread.
    struct SessionState;
    std::unique_ptr<SessionState> session_;

    mutable std::mutex unitsMutex_;
    std::vector<std::string> units_;
};

} // namespace tessary
