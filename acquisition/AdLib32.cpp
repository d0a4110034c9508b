// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/AdLib32.h"

#include "acquisition/RunSettings.h"
#include "acquisition/RunState.h"
#include "data/Errors.h"
#include "data/MeasurementParameters.h"
#include "texts/Texts.h"

#include <string>

namespace tessary {

namespace {

constexpr int DetectTries = 5;
constexpr std::int32_t ParamAutoMode = 3;
constexpr std::array<std::int16_t, 8> AllInputs = {0, 1, 2, 3, 4, 5, 6, 7};

} // namespace

std::optional<CardResource> DetectCard(AdLib32& card) {
    for (int n = 0; n < DetectTries; ++n) {
        CardResource found;
        if (card.AdGetCardResource(0, n, found.Kind, found.IoBase, found.Irq) == 0) {
            return found;
        }
    }
    return std::nullopt;
}

const char* CardTypeName(std::int32_t kind) {
    return kind == 1 ? "REX-5054U" : "REX-5054B";
}

const char* ConfigureErrorText(int result) {
    switch (result) {
    case ConfigureParamAutoFailed:
        return texts::CardDetectionFailed;
    case ConfigureChannelFailed:
        return texts::ChannelSetupFailed;
    case ConfigureFreqFailed:
        return texts::SamplingIntervalSetupFailed;
    case ConfigureRingBufferFailed:
        return texts::RingBufferSetupFailed;
    case ConfigureStartFailed:
        return texts::RingBufferStartFailed;
    default:
        return texts::UnknownError;
    }
}

int ConfigureCard(AdLib32& card, CardMessagePoster& window, const MeasurementParameters& record,
                  const RunSettings& settings, RunState& state) {
    if (card.AdSetParamAuto(window, ParamAutoMode) != 0) {
        return ConfigureParamAutoFailed;
    }
    if (record.ChNum < 0) {
        throw RangeError("Channel count " + std::to_string(record.ChNum) +
                         " cannot be given to the card");
    }
    if (card.AdSetChannel(record.ChNum, AllInputs) != record.ChNum) {
        return ConfigureChannelFailed;
    }
    if (record.SInterval < 0 || record.SInterval > 65535) {
        throw RangeError("Sampling interval " + std::to_string(record.SInterval) +
                         " is out of the card's range (0 to 65535)");
    }
    if (card.AdSetFreq(window, static_cast<std::uint16_t>(record.SInterval),
                       settings.SamplingUnitIndex) != 0) {
        return ConfigureFreqFailed;
    }
    if (state.RingBufferAllocated) {
        card.AdFreeRingBuf();
        state.RingBufferAllocated = false;
    }
    if (state.IrqModeActive) {
        card.AdStopIrqMode();
        state.IrqModeActive = false;
    }
    if (record.DataNum < 0) {
        throw RangeError("Number of data " + std::to_string(record.DataNum) +
                         " cannot be given to the card");
    }
    if (card.AdAllocRingBuf(window, settings.RingBufferSize, record.DataNum) != 0) {
        return ConfigureRingBufferFailed;
    }
    state.RingBufferAllocated = true;
    if (card.AdStartIrqRingMode(window, 0) != 0) {
        return ConfigureStartFailed;
    }
    state.IrqModeActive = true;
    return ConfigureOk;
}

} // namespace tessary
