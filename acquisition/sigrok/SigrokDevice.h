// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "acquisition/sigrok/SamplingPlan.h"
#include "acquisition/sigrok/SigrokCardSettings.h"
#include "acquisition/sigrok/SigrokDeviceDescription.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct sr_channel;
struct sr_dev_inst;
struct sr_session;

namespace tessary {

class SigrokLibrary;

// One opened sigrok device with the library session that acquires from it: its analog
// inputs, the sample rates it offers, and the settings of an acquisition. Opened once per
// run; closed by the destructor. Used from the engine's thread while no acquisition runs.
class SigrokDevice {
public:
    // Opens `device`, found by the library's latest scan. Nothing, with `why` set to the
    // operator's message, when it does not open.
    static std::unique_ptr<SigrokDevice> Open(SigrokLibrary& library, sr_dev_inst* device,
                                              std::string& why);
    ~SigrokDevice();
    SigrokDevice(const SigrokDevice&) = delete;
    SigrokDevice& operator=(const SigrokDevice&) = delete;

    const SigrokDeviceDescription& Description() const { return description_; }
    const RateCapability& Rates() const { return rates_; }
    const std::vector<sr_channel*>& Analog() const { return analog_; }
    sr_session* Session() const { return session_; }

    // The device options and those of each input's channel group. False with `why` set to
    // the operator's message when the device refuses one.
    bool Apply(const SigrokCardSettings& settings, std::string& why);

    // Acquires from the analog inputs `inputs` (indexes into Analog()) and from no other
    // channel.
    void Enable(const std::vector<int>& inputs);
    bool SetRate(std::uint64_t rate);
    // Samples per channel before the device ends the acquisition by itself; 0 for none.
    // False when the device has no such limit.
    bool SetSampleLimit(std::uint64_t samples);

private:
    SigrokDevice(SigrokLibrary& library, sr_dev_inst* device);

    SigrokLibrary& library_;
    sr_dev_inst* device_;
    sr_session* session_ = nullptr;
    SigrokDeviceDescription description_;
    RateCapability rates_;
    std::vector<sr_channel*> analog_;
};

} // namespace tessary
