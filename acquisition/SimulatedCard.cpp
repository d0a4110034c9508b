// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/SimulatedCard.h"

#include "acquisition/VectorState.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <numbers>

namespace tessary {

namespace {

constexpr std::int32_t Failure = 1;
constexpr std::int64_t AbnormalEndCode = 3;
constexpr std::int64_t Never = std::numeric_limits<std::int64_t>::max();
// Nanoseconds of one sampling-interval step for the units sec, msec, usec.
constexpr std::int64_t UnitNs[] = {1'000'000'000, 1'000'000, 1'000};

// xorshift64*: a fixed, portable sequence for the noise signal.
double NextUniform(std::uint64_t& state) {
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    return static_cast<double>((state * 0x2545F4914F6CDD1DULL) >> 11) * 0x1.0p-53;
}

} // namespace

SimulatedCard::SimulatedCard(const SimulatedCardSettings& settings, TimeSource now)
    : settings_(settings), now_(now ? std::move(now) : TimeSource(BootTimeNanoseconds)) {}

std::int32_t SimulatedCard::AdGetCardResource(std::int32_t, std::int32_t, std::int32_t& kind,
                                              std::int32_t& ioBase, std::int32_t& irq) {
    if (!settings_.Present) {
        return Failure;
    }
    kind = settings_.Kind;
    ioBase = settings_.IoBase;
    irq = settings_.Irq;
    return 0;
}

std::int32_t SimulatedCard::AdSetParamAuto(CardMessagePoster& window, std::int32_t) {
    if (!settings_.Present || settings_.FailStep == 1) {
        return Failure;
    }
    window_ = &window;
    return 0;
}

std::int32_t SimulatedCard::AdSetChannel(std::int16_t chNum,
                                         const std::array<std::int16_t, 8>& channels) {
    if (!settings_.Present || settings_.FailStep == 2 || chNum < 1 || chNum > 8) {
        return -1;
    }
    for (int k = 0; k < chNum; ++k) {
        if (channels[static_cast<std::size_t>(k)] < 0 ||
            channels[static_cast<std::size_t>(k)] > 7) {
            return -1;
        }
    }
    chNum_ = chNum;
    inputs_ = channels;
    return chNum;
}

std::int32_t SimulatedCard::AdSetFreq(CardMessagePoster& window, std::uint16_t interval,
                                      std::uint16_t unitIndex) {
    if (!settings_.Present || settings_.FailStep == 3 || interval == 0 || unitIndex > 2) {
        return Failure;
    }
    window_ = &window;
    intervalNs_ = interval * UnitNs[unitIndex];
    return 0;
}

void SimulatedCard::AdFreeRingBuf() {
    AdStopIrqMode();
    allocated_ = false;
    started_ = false;
}

void SimulatedCard::AdStopIrqMode() {
    if (running_) {
        running_ = false;
        stopNs_ = now_();
    }
}

std::int32_t SimulatedCard::AdAllocRingBuf(CardMessagePoster& window, std::int32_t words,
                                           std::int32_t scans) {
    if (!settings_.Present || settings_.FailStep == 4 || words <= 0 || scans <= 0) {
        return Failure;
    }
    AdStopIrqMode();
    window_ = &window;
    ringWords_ = settings_.RingBufferWords > 0 ? std::min(words, settings_.RingBufferWords) : words;
    scans_ = scans;
    allocated_ = true;
    started_ = false;
    return 0;
}

std::int32_t SimulatedCard::AdStartIrqRingMode(CardMessagePoster& window, std::int32_t) {
    if (!settings_.Present || settings_.FailStep == 5 || !allocated_ || chNum_ == 0 ||
        intervalNs_ == 0) {
        return Failure;
    }
    window_ = &window;
    startNs_ = now_();
    stopNs_ = Never;
    wordsRead_ = 0;
    running_ = true;
    started_ = true;
    overflowed_ = false;
    endPosted_ = false;
    for (std::size_t k = 0; k < noiseState_.size(); ++k) {
        noiseState_[k] = 0x9E3779B97F4A7C15ULL * (k + 1);
    }
    Post(CardEventRunning, 0);
    return 0;
}

std::int64_t SimulatedCard::ScansToProduce() const {
    return settings_.AbnormalEndScan > 0 ? std::min<std::int64_t>(scans_, settings_.AbnormalEndScan)
                                         : scans_;
}

std::int64_t SimulatedCard::WordsProduced(std::int64_t now) const {
    const std::int64_t elapsed = std::min(now, stopNs_) - startNs_;
    if (elapsed < 0) {
        return 0;
    }
    const std::int64_t scans = std::min(elapsed / intervalNs_ + 1, ScansToProduce());
    return scans * chNum_;
}

std::int32_t SimulatedCard::AdGetRingBuf(std::span<std::uint16_t> destination,
                                         std::int32_t position, std::int32_t count) {
    if (!allocated_ || !started_) {
        return 0;
    }
    if (overflowed_) {
        return -1;
    }
    const std::int64_t now = now_();
    const std::int64_t produced = WordsProduced(now);
    if (produced - wordsRead_ > ringWords_) {
        overflowed_ = true;
        AdStopIrqMode();
        Post(CardEventOverflow, 0);
        return -1;
    }
    if (running_ && produced == ScansToProduce() * chNum_) {
        // The last scan exists: the conversion is over.
        running_ = false;
        stopNs_ = now;
        if (!endPosted_) {
            endPosted_ = true;
            if (ScansToProduce() < scans_) {
                Post(AbnormalEndCode, 0);
            } else {
                Post(CardEventFinished, scans_);
            }
        }
    }
    if (position < 0 || static_cast<std::size_t>(position) > destination.size() || count <= 0) {
        return 0;
    }
    const std::int64_t room = static_cast<std::int64_t>(destination.size()) - position;
    const std::int64_t n = std::min({std::int64_t{count}, produced - wordsRead_, room});
    std::int64_t scan = wordsRead_ / chNum_;
    int channel = static_cast<int>(wordsRead_ % chNum_);
    ClearUpperVectorState();
    for (std::int64_t k = 0; k < n; ++k) {
        destination[static_cast<std::size_t>(position + k)] = Word(scan, channel);
        if (++channel == chNum_) {
            channel = 0;
            ++scan;
        }
    }
    wordsRead_ += n;
    return static_cast<std::int32_t>(n);
}

double SimulatedCard::HexToVal(std::uint16_t word) {
    return (word - 2048) * 10.0 / 2048.0;
}

std::int32_t SimulatedCard::InputChannels() const {
    return static_cast<std::int32_t>(inputs_.size());
}

bool SimulatedCard::AcceptsSamplingInterval(std::uint16_t interval, std::uint16_t unitIndex,
                                            std::string& accepts) const {
    accepts = "1 usec - 65535 sec";
    return interval > 0 && unitIndex < std::size(UnitNs);
}

std::uint16_t SimulatedCard::VoltsToWord(double volts) {
    const double step = std::nearbyint(volts * 2048.0 / 10.0);
    if (!(step > -2048.0)) {
        return 0;
    }
    if (step > 2047.0) {
        return 4095;
    }
    return static_cast<std::uint16_t>(step + 2048.0);
}

std::uint16_t SimulatedCard::Word(std::int64_t scan, int channel) {
    const auto input = static_cast<std::size_t>(inputs_[static_cast<std::size_t>(channel)]);
    const SimulatedChannel& signal = settings_.Channels[input];
    switch (signal.Signal) {
    case SimulatedSignal::Ramp:
        return static_cast<std::uint16_t>((scan + 512 * channel) % 4096);
    case SimulatedSignal::Noise:
        return VoltsToWord(signal.Offset +
                           signal.Amplitude * (2.0 * NextUniform(noiseState_[input]) - 1.0));
    case SimulatedSignal::Sine:
    case SimulatedSignal::Square:
        break;
    }
    const double cycles = signal.Frequency * (static_cast<double>(scan) * intervalNs_ * 1e-9);
    const double phase = cycles - std::floor(cycles);
    if (signal.Signal == SimulatedSignal::Square) {
        return VoltsToWord(signal.Offset + (phase < 0.5 ? signal.Amplitude : -signal.Amplitude));
    }
    return VoltsToWord(signal.Offset + signal.Amplitude * std::sin(2.0 * std::numbers::pi * phase));
}

void SimulatedCard::Post(std::int64_t code, std::int64_t param) {
    if (window_ != nullptr) {
        window_->PostCardMessage(code, param);
    }
}

} // namespace tessary
