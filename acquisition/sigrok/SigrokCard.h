// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "acquisition/AdLib32.h"
#include "acquisition/CardName.h"
#include "acquisition/sigrok/SamplingPlan.h"
#include "acquisition/sigrok/SigrokCardSettings.h"
#include "acquisition/sigrok/SigrokDeviceDescription.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tessary {

class SigrokBurst;
class SigrokDevice;
class SigrokLibrary;
class WordRing;

// The card interface on a device that libsigrok drives (oscilloscopes, data-acquisition
// devices, multimeters, data loggers; the library's demo device needs no hardware).
//
// - Detection (AdGetCardResource) scans for the device that the card name gives, opens it, takes
//   one reading from every analog input to learn its unit, and closes it again. Kind, I/O
//   base and IRQ are 0; Description() tells what was found.
// - A run opens the device at its first burst (AdSetParamAuto) and keeps it open until
//   RunEnded(). Channel k of a burst is the device's analog input k.
// - Each burst is one acquisition on libsigrok's own thread (SigrokBurst), timed as
//   SamplingPlan says; its words reach the engine through a ring of at most RingWords words
//   that AdGetRingBuf drains on the engine's thread. The raw words are the stored values
//   (ReadingWords), and HexToVal gives the reading in the device's unit; a reading a file
//   cannot hold arrives as the missing-sample mark.
// - Messages are posted from the engine's thread, inside its calls: 1 when a burst starts,
//   128 (param: the scans) once its last scan was read, 2 on overflow, 3 when the device
//   ended the acquisition early (stopped, unplugged, or silent far past the burst's end);
//   the device is closed then, and the next burst looks for it anew.
// - A failed call leaves LastFailure() naming the device and what went wrong.
class SigrokCard final : public AdLib32 {
public:
    using TimeSource = std::function<std::int64_t()>; // nanoseconds, monotonic

    // The ring never holds more words than this (8 MiB): about a second of 4 channels at
    // 1 MHz that the engine may fall behind before the burst overflows.
    static constexpr std::int32_t RingWords = 1 << 22;

    // `name` is a sigrok card (sigrok:DRIVER[:KEY=VALUE...]). `now` is the engine's clock for
    // software timing.
    SigrokCard(CardName name, SigrokCardSettings settings, TimeSource now = {});
    ~SigrokCard() override;

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
    double HexToVal(std::uint16_t word) override;
    std::int32_t InputChannels() const override;
    bool AcceptsSamplingInterval(std::uint16_t interval, std::uint16_t unitIndex,
                                 std::string& accepts) const override;
    std::string LastFailure() const override { return lastFailure_; }
    void RunEnded() override;

    // The device found by the last detection; nothing before one succeeded.
    const std::optional<SigrokDeviceDescription>& Description() const { return description_; }

private:
    // The device's name in messages: its description once found, else the card name.
    std::string DeviceName() const;
    bool OpenDevice();
    void EndBurst();
    void CloseDevice();
    void TakeUnits();
    void Post(std::int64_t code, std::int64_t param);

    CardName name_;
    SigrokCardSettings settings_;
    TimeSource now_;
    std::shared_ptr<SigrokLibrary> library_;
    std::string lastFailure_;
    std::optional<SigrokDeviceDescription> description_;
    RateCapability rates_;

    std::unique_ptr<SigrokDevice> device_;
    CardMessagePoster* window_ = nullptr;
    std::vector<int> inputs_;
    SamplingPlan plan_;
    std::unique_ptr<WordRing> ring_;
    std::int64_t scans_ = 0;
    std::unique_ptr<SigrokBurst> burst_;
    std::int64_t wordsRead_ = 0;
    std::int64_t deadlineNs_ = 0; // a burst still running then has stalled
    bool overflowPosted_ = false;
    bool endPosted_ = false;
};

} // namespace tessary
