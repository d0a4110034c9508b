// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "acquisition/AdLib32.h"
#include "acquisition/SimulatedCardSettings.h"
#include "data/Clock.h"

#include <array>
#include <cstdint>

namespace tessary {

// A 12-bit, 8-channel, ±10 V card without hardware. Samples appear in real time: scan i of
// a burst exists once i sampling intervals have passed since AdStartIrqRingMode, reckoned
// from the monotonic clock that schedules the run (Clock::Monotonic; CLOCK_BOOTTIME unless
// another source is given) whenever the ring buffer is read (no thread). The ring
// overflows when more than its size in words is waiting unread. Messages: 1 at the start,
// 128 (param: the scans) when a burst's last scan exists, 2 on overflow, 3 on the abnormal
// end that the settings ask for.
class SimulatedCard final : public AdLib32 {
public:
    // Nanoseconds from any fixed origin; never decreasing.
    using TimeSource = MonotonicSource;

    explicit SimulatedCard(const SimulatedCardSettings& settings = {}, TimeSource now = {});

    std::int32_t AdGetCardResource(std::int32_t zero, std::int32_t tryNumber, std::int32_t& kind,
                                   std::int32_t& ioBase, std::int32_t& irq) override;
    std::int32_t AdSetParamAuto(CardMessagePoster& window, std::int32_t mode) override;
    std::int32_t AdSetChannel(std::int16_t chNum,
                              const std::array<std::int16_t, 8>& channels) override;
    std::int32_t AdSetFreq(CardMessagePoster& window, std::uint16_t interval,
                           std::uint16_t unitIndex) override;
    void AdFreeRingBuf() override;
    void AdStopIrqMode() override;
    std::int32_t AdAllocRingBuf(CardMessagePoster& window, std::int32_t words,
                                std::int32_t scans) override;
    std::int32_t AdStartIrqRingMode(CardMessagePoster& window, std::int32_t zero) override;
    std::int32_t AdGetRingBuf(std::span<std::uint16_t> destination, std::int32_t position,
                              std::int32_t count) override;
    // (word − 2048) × 10 / 2048 volts.
    double HexToVal(std::uint16_t word) override;
    // Eight inputs; any interval of 1 usec or more.
    std::int32_t InputChannels() const override;
    bool AcceptsSamplingInterval(std::uint16_t interval, std::uint16_t unitIndex,
                                 std::string& accepts) const override;

    // The raw word of a voltage: rounded to the nearest step and held to 0..4095.
    static std::uint16_t VoltsToWord(double volts);

private:
    std::int64_t ScansToProduce() const;
    std::int64_t WordsProduced(std::int64_t now) const;
    std::uint16_t Word(std::int64_t scan, int channel);
    void Post(std::int64_t code, std::int64_t param);

    SimulatedCardSettings settings_;
    TimeSource now_;
    CardMessagePoster* window_ = nullptr;
    std::int16_t chNum_ = 0;
    std::array<std::int16_t, 8> inputs_{};
    std::int64_t intervalNs_ = 0;
    bool allocated_ = false;
    std::int64_t ringWords_ = 0;
    std::int64_t scans_ = 0;
    bool running_ = false; // started and neither stopped nor overflowed
    bool started_ = false; // a burst was started since the ring was allocated
    bool overflowed_ = false;
    std::int64_t startNs_ = 0;
    std::int64_t stopNs_ = 0; // production ends here once stopped
    std::int64_t wordsRead_ = 0;
    bool endPosted_ = false;
    std::array<std::uint64_t, 8> noiseState_{};
};

} // namespace tessary
