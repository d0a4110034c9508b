// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/sigrok/SigrokCard.h"

#include "acquisition/sigrok/ReadingWords.h"
#include "acquisition/sigrok/SigrokBurst.h"
#include "acquisition/sigrok/SigrokDevice.h"
#include "acquisition/sigrok/SigrokLibrary.h"
#include "acquisition/sigrok/WordRing.h"
#include "data/Clock.h"
#include "data/Errors.h"
#include "texts/Texts.h"

#include <algorithm>
#include <chrono>
#include <numeric>
#include <thread>

namespace tessary {

namespace {

constexpr std::int32_t Failure = 1;
constexpr std::int64_t AbnormalEndCode = 3;
// A burst still running this long after twice its own length has stalled.
constexpr std::int64_t StallGraceNs = 10'000'000'000;
// How long detection waits for the first reading of every input.
constexpr auto ProbeTime = std::chrono::seconds(2);

} // namespace

SigrokCard::SigrokCard(CardName name, SigrokCardSettings settings, TimeSource now)
    : name_(std::move(name)), settings_(std::move(settings)),
      now_(now ? std::move(now) : TimeSource(BootTimeNanoseconds)) {
    // A library that does not start finds no device; detection says why.
    try {
        library_ = SigrokLibrary::Acquire();
    } catch (const InOutError&) {
        library_.reset();
    }
}

SigrokCard::~SigrokCard() {
    EndBurst();
    CloseDevice();
}

std::string SigrokCard::DeviceName() const {
    return description_ ? description_->Name() : name_.Text();
}

std::int32_t SigrokCard::AdGetCardResource(std::int32_t, std::int32_t, std::int32_t& kind,
                                           std::int32_t& ioBase, std::int32_t& irq) {
    EndBurst();
    CloseDevice();
    kind = 0;
    ioBase = 0;
    irq = 0;
    if (!library_) {
        lastFailure_ = texts::SigrokUnavailable;
        return Failure;
    }
    std::string why;
    const std::vector<sr_dev_inst*> found = library_->Scan(name_, why);
    if (found.empty()) {
        lastFailure_ = why.empty() ? texts::SigrokDeviceNotFound(name_.Text()) : why;
        return Failure;
    }
    const std::unique_ptr<SigrokDevice> device = SigrokDevice::Open(*library_, found[0], why);
    if (!device) {
        lastFailure_ = why;
        return Failure;
    }
    description_ = device->Description();
    rates_ = device->Rates();

    // One reading of every input tells the unit each one measures in.
    std::vector<int> inputs(device->Analog().size());
    std::iota(inputs.begin(), inputs.end(), 0);
    if (!inputs.empty()) {
        device->Enable(inputs);
        device->SetSampleLimit(1);
        SigrokBurst probe(*device, {SigrokBurst::Kind::Probe, inputs, {}, 0, 0, nullptr, now_});
        if (probe.Start()) {
            const auto until = std::chrono::steady_clock::now() + ProbeTime;
            while (!probe.Ended() && std::chrono::steady_clock::now() < until) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        }
        probe.Stop();
        probe.Join();
        description_->Units = probe.Units();
    }
    library_->TakeLastMessage();
    lastFailure_.clear();
    return 0;
}

bool SigrokCard::OpenDevice() {
    if (!library_) {
        lastFailure_ = texts::SigrokUnavailable;
        return false;
    }
    std::string why;
    const std::vector<sr_dev_inst*> found = library_->Scan(name_, why);
    if (found.empty()) {
        lastFailure_ = why.empty() ? texts::SigrokDeviceNotFound(name_.Text()) : why;
        return false;
    }
    device_ = SigrokDevice::Open(*library_, found[0], why);
    if (!device_) {
        lastFailure_ = why;
        return false;
    }
    std::vector<std::string> units =
        description_ ? description_->Units : std::vector<std::string>{};
    description_ = device_->Description();
    if (units.size() == description_->Units.size()) {
        description_->Units = std::move(units);
    }
    rates_ = device_->Rates();
    if (!device_->Apply(settings_, why)) {
        lastFailure_ = why;
        CloseDevice();
        return false;
    }
    return true;
}

std::int32_t SigrokCard::AdSetParamAuto(CardMessagePoster& window, std::int32_t) {
    window_ = &window;
    EndBurst();
    if (!device_ && !OpenDevice()) {
        return Failure;
    }
    return 0;
}

std::int32_t SigrokCard::AdSetChannel(std::int16_t chNum,
                                      const std::array<std::int16_t, 8>& channels) {
    if (!device_) {
        lastFailure_ = texts::SigrokDeviceNotFound(name_.Text());
        return -1;
    }
    const auto inputs = static_cast<std::int32_t>(device_->Analog().size());
    if (chNum < 1 || chNum > static_cast<std::int16_t>(channels.size())) {
        lastFailure_ = texts::SigrokTooFewChannels(DeviceName(), inputs, chNum);
        return -1;
    }
    std::vector<int> chosen;
    for (int k = 0; k < chNum; ++k) {
        const int input = channels[static_cast<std::size_t>(k)];
        if (input < 0 || input >= inputs) {
            lastFailure_ = texts::SigrokTooFewChannels(DeviceName(), inputs, chNum);
            return -1;
        }
        chosen.push_back(input);
    }
    inputs_ = std::move(chosen);
    return chNum;
}

std::int32_t SigrokCard::AdSetFreq(CardMessagePoster& window, std::uint16_t interval,
                                   std::uint16_t unitIndex) {
    window_ = &window;
    if (!device_) {
        lastFailure_ = texts::SigrokDeviceNotFound(name_.Text());
        return Failure;
    }
    plan_ = SamplingPlan::For(interval, unitIndex, rates_);
    switch (plan_.Mode) {
    case SamplingPlan::Timing::Refused:
        lastFailure_ = texts::SigrokIntervalRefused(DeviceName(), SamplingPlan::Accepted(rates_));
        return Failure;
    case SamplingPlan::Timing::Hardware:
        if (!device_->SetRate(plan_.RateHz)) {
            lastFailure_ = texts::SigrokRateRefused(DeviceName(), FormatHz(plan_.RateHz),
                                                    library_->TakeLastMessage());
            return Failure;
        }
        return 0;
    case SamplingPlan::Timing::Software:
        if (const auto rate = rates_.SoftwareRate(); rate && !device_->SetRate(*rate)) {
            lastFailure_ = texts::SigrokRateRefused(DeviceName(), FormatHz(*rate),
                                                    library_->TakeLastMessage());
            return Failure;
        }
        return 0;
    }
    return Failure;
}

void SigrokCard::AdFreeRingBuf() {
    EndBurst();
    ring_.reset();
}

void SigrokCard::AdStopIrqMode() {
    EndBurst();
}

std::int32_t SigrokCard::AdAllocRingBuf(CardMessagePoster& window, std::int32_t words,
                                        std::int32_t scans) {
    window_ = &window;
    EndBurst();
    if (words <= 0 || scans <= 0) {
        return Failure;
    }
    ring_ = std::make_unique<WordRing>(static_cast<std::size_t>(std::min(words, RingWords)));
    scans_ = scans;
    return 0;
}

std::int32_t SigrokCard::AdStartIrqRingMode(CardMessagePoster& window, std::int32_t) {
    window_ = &window;
    EndBurst();
    if (!device_ || !ring_ || inputs_.empty() || plan_.Mode == SamplingPlan::Timing::Refused) {
        lastFailure_ = texts::SigrokCannotStart(DeviceName(), {});
        return Failure;
    }
    ring_ = std::make_unique<WordRing>(ring_->Capacity());
    SigrokBurst::Request request;
    request.Mode = plan_.Mode == SamplingPlan::Timing::Hardware ? SigrokBurst::Kind::Hardware
                                                                : SigrokBurst::Kind::Software;
    request.Inputs = inputs_;
    for (const int input : inputs_) {
        request.Dividers.push_back(static_cast<std::size_t>(input) < settings_.Channels.size()
                                       ? settings_.Channels[static_cast<std::size_t>(input)].Divider
                                       : 1.0);
    }
    request.Scans = scans_;
    request.IntervalNs = plan_.IntervalNs;
    request.Ring = ring_.get();
    request.Now = now_;
    device_->Enable(inputs_);
    // The burst ends itself after its scans; a device without such a limit is stopped.
    device_->SetSampleLimit(
        request.Mode == SigrokBurst::Kind::Hardware ? static_cast<std::uint64_t>(scans_) : 0);
    burst_ = std::make_unique<SigrokBurst>(*device_, std::move(request));
    if (!burst_->Start()) {
        burst_.reset();
        lastFailure_ = texts::SigrokCannotStart(DeviceName(), library_->TakeLastMessage());
        return Failure;
    }
    wordsRead_ = 0;
    overflowPosted_ = false;
    endPosted_ = false;
    deadlineNs_ = now_() + 2 * scans_ * plan_.IntervalNs + StallGraceNs;
    Post(CardEventRunning, 0);
    return 0;
}

std::int32_t SigrokCard::AdGetRingBuf(std::span<std::uint16_t> destination, std::int32_t position,
                                      std::int32_t count) {
    if (!burst_ || !ring_) {
        return 0;
    }
    if (overflowPosted_) {
        return -1;
    }
    if (burst_->Overflowed()) {
        overflowPosted_ = true;
        burst_->Stop();
        Post(CardEventOverflow, 0);
        return -1;
    }
    // Read before the ring: every word of an ended session is in the ring by then.
    const bool ended = burst_->Ended();
    std::size_t n = 0;
    if (position >= 0 && static_cast<std::size_t>(position) <= destination.size() && count > 0) {
        const std::size_t room = destination.size() - static_cast<std::size_t>(position);
        n = ring_->Pop(destination.subspan(static_cast<std::size_t>(position),
                                           std::min(static_cast<std::size_t>(count), room)));
        wordsRead_ += static_cast<std::int64_t>(n);
    }
    const std::int64_t total = scans_ * static_cast<std::int64_t>(inputs_.size());
    if (!endPosted_) {
        if (wordsRead_ >= total) {
            endPosted_ = true;
            Post(CardEventFinished, scans_);
        } else if (ended && ring_->Waiting() == 0) {
            endPosted_ = true;
            lastFailure_ = texts::SigrokStoppedEarly(
                DeviceName(), wordsRead_ / static_cast<std::int64_t>(inputs_.size()), scans_,
                library_->TakeLastMessage());
            EndBurst();
            CloseDevice();
            Post(AbnormalEndCode, 0);
        } else if (!ended && now_() > deadlineNs_) {
            burst_->Stop(); // a device that went silent: the next call ends the burst
        }
    }
    return static_cast<std::int32_t>(n);
}

double SigrokCard::HexToVal(std::uint16_t word) {
    return WordToReading(word);
}

std::int32_t SigrokCard::InputChannels() const {
    return description_ ? static_cast<std::int32_t>(description_->Channels.size()) : 0;
}

bool SigrokCard::AcceptsSamplingInterval(std::uint16_t interval, std::uint16_t unitIndex,
                                         std::string& accepts) const {
    accepts = SamplingPlan::Accepted(rates_);
    return SamplingPlan::For(interval, unitIndex, rates_).Mode != SamplingPlan::Timing::Refused;
}

void SigrokCard::RunEnded() {
    EndBurst();
    CloseDevice();
    ring_.reset();
}

void SigrokCard::EndBurst() {
    if (!burst_) {
        return;
    }
    burst_->Stop();
    burst_->Join();
    TakeUnits();
    burst_.reset();
}

void SigrokCard::TakeUnits() {
    if (!burst_ || !description_) {
        return;
    }
    const std::vector<std::string> units = burst_->Units();
    for (std::size_t k = 0; k < units.size() && k < inputs_.size(); ++k) {
        const auto input = static_cast<std::size_t>(inputs_[k]);
        if (!units[k].empty() && input < description_->Units.size()) {
            description_->Units[input] = units[k];
        }
    }
}

void SigrokCard::CloseDevice() {
    device_.reset();
}

void SigrokCard::Post(std::int64_t code, std::int64_t param) {
    if (window_ != nullptr) {
        window_->PostCardMessage(code, param);
    }
}

} // namespace tessary
