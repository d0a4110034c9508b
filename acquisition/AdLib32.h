// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "acquisition/CardMessagePoster.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tessary {

struct MeasurementParameters;
struct RunSettings;
struct RunState;

// The A/D card library. The calls run on the caller's thread and never block; events are
// posted to the CardMessagePoster given to the calls that take a window.
class AdLib32 {
public:
    virtual ~AdLib32() = default;

    // 0 when a card answers to try number `tryNumber`; then kind, I/O base and IRQ are set.
    virtual std::int32_t AdGetCardResource(std::int32_t zero, std::int32_t tryNumber,
                                           std::int32_t& kind, std::int32_t& ioBase,
                                           std::int32_t& irq) = 0;
    // 0 on success.
    virtual std::int32_t AdSetParamAuto(CardMessagePoster& window, std::int32_t mode) = 0;
    // Returns chNum on success; channels[k] is the input sampled as channel k.
    virtual std::int32_t AdSetChannel(std::int16_t chNum,
                                      const std::array<std::int16_t, 8>& channels) = 0;
    // unitIndex: 0 sec, 1 msec, 2 usec. 0 on success.
    virtual std::int32_t AdSetFreq(CardMessagePoster& window, std::uint16_t interval,
                                   std::uint16_t unitIndex) = 0;
    virtual void AdFreeRingBuf() = 0;
    virtual void AdStopIrqMode() = 0;
    // A ring buffer of `words` words for a burst of `scans` scans. 0 on success.
    virtual std::int32_t AdAllocRingBuf(CardMessagePoster& window, std::int32_t words,
                                        std::int32_t scans) = 0;
    // Starts the burst; 0 on success.
    virtual std::int32_t AdStartIrqRingMode(CardMessagePoster& window, std::int32_t zero) = 0;
    // Copies at most `count` words, in scan order, to destination[position...]: the number
    // copied, 0 when none is ready, -1 on ring-buffer overflow.
    virtual std::int32_t AdGetRingBuf(std::span<std::uint16_t> destination, std::int32_t position,
                                      std::int32_t count) = 0;
    // The reading of a raw word in volts.
    virtual double HexToVal(std::uint16_t word) = 0;

    // What the card can take, asked by the checks at Start before any file is touched, so
    // that settings the card cannot follow are refused there rather than at the first burst.
    // The analog inputs it offers:
    virtual std::int32_t InputChannels() const = 0;
    // Whether it samples every `interval` of unit `unitIndex` (0 sec, 1 msec, 2 usec); when
    // not, `accepts` says in a few words (UTF-8) what it can, for the operator's message.
    virtual bool AcceptsSamplingInterval(std::uint16_t interval, std::uint16_t unitIndex,
                                         std::string& accepts) const = 0;

    // Why the last call that failed (or the burst that ended abnormally) did, in a sentence
    // naming the device (UTF-8), for the operator's message after the failed step's own text;
    // empty when the card has nothing to add.
    virtual std::string LastFailure() const { return {}; }
    // The run is over, however it ended: a card that holds a device for the run lets it go.
    virtual void RunEnded() {}
};

struct CardResource {
    std::int32_t Kind = 0;
    std::int32_t IoBase = 0;
    std::int32_t Irq = 0;
};

// Asks for the card with try numbers 0 to 4; nothing when none answers.
std::optional<CardResource> DetectCard(AdLib32& card);

// "REX-5054U" for kind 1, "REX-5054B" for any other.
const char* CardTypeName(std::int32_t kind);

// Result codes of ConfigureCard.
inline constexpr int ConfigureOk = 0;
inline constexpr int ConfigureParamAutoFailed = -1;
inline constexpr int ConfigureChannelFailed = -2;
inline constexpr int ConfigureFreqFailed = -3;
inline constexpr int ConfigureRingBufferFailed = -4;
inline constexpr int ConfigureStartFailed = -5;

// The error message of a failure code of ConfigureCard; the unknown-error message for any
// other code, ConfigureOk included.
const char* ConfigureErrorText(int result);

// Sets the card up for one burst and starts it, keeping RingBufferAllocated and
// IrqModeActive of the run state in step. Returns one of the codes above. An SInterval
// outside 0 to 65535, or a negative ChNum or DataNum, is a RangeError: the card's
// parameters cannot hold them.
int ConfigureCard(AdLib32& card, CardMessagePoster& window, const MeasurementParameters& record,
                  const RunSettings& settings, RunState& state);

} // namespace tessary
