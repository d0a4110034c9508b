// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/StartFieldCheck.h"

#include "acquisition/TextConversions.h"
#include "data/Errors.h"
#include "data/MeasurementParameters.h"
#include "data/TimeUnits.h"
#include "texts/Texts.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace tessary {

namespace {

constexpr std::int64_t Int32Max = std::numeric_limits<std::int32_t>::max();
// A wait beyond this (some 31 years) means a typing error, and its nanoseconds would
// approach what the schedule's clock can count.
constexpr double MaxWaitSeconds = 999'999'999;
constexpr std::int64_t MaxBurstIntervalMs = std::numeric_limits<std::uint32_t>::max();
constexpr std::int64_t MaxSInterval = std::numeric_limits<std::uint16_t>::max();

// Sampling-unit list position → TimeUnit: "sec", "msec", "usec".
constexpr TimeUnit SamplingUnits[] = {UnitSec, UnitMsec, UnitUsec};

FieldRefusal Refuse(SettingField field, std::string message, int channel = 0) {
    return FieldRefusal{field, channel, std::move(message)};
}

// Reads the fields in order; each Integer/Real either gives the value or notes the refusal.
class FieldReader {
public:
    std::optional<std::int64_t> Integer(SettingField field, const std::string& name,
                                        const std::string& text, std::int64_t lo, std::int64_t hi,
                                        const std::string& note = {}) {
        const std::string accepts = texts::IntegerRange(lo, hi) + note;
        std::int64_t value = 0;
        try {
            value = TextToInt(text);
        } catch (const ConversionError&) {
            Set(field, NotConverted(name, text, accepts));
            return std::nullopt;
        }
        if (value < lo || value > hi) {
            Set(field, texts::FieldValueRefused(name, text, accepts));
            return std::nullopt;
        }
        return value;
    }

    std::optional<double> Real(SettingField field, const std::string& name, const std::string& text,
                               double lo, double hi, const std::string& accepts, int channel = 0) {
        double value = 0;
        try {
            value = TextToFloat(text);
        } catch (const ConversionError&) {
            Set(field, NotConverted(name, text, accepts), channel);
            return std::nullopt;
        }
        if (value < lo || value > hi) {
            Set(field, texts::FieldValueRefused(name, text, accepts), channel);
            return std::nullopt;
        }
        return value;
    }

    void Set(SettingField field, std::string message, int channel = 0) {
        if (!refusal_) {
            refusal_ = Refuse(field, std::move(message), channel);
        }
    }
    const std::optional<FieldRefusal>& Refusal() const { return refusal_; }

private:
    static std::string NotConverted(const std::string& name, const std::string& text,
                                    const std::string& accepts) {
        return std::string(texts::IntervalNotInteger) + "\n" +
               texts::FieldValueRefused(name, text, accepts);
    }

    std::optional<FieldRefusal> refusal_;
};

const std::string& Cell(const ControlValues& controls, std::size_t row, std::size_t column) {
    static const std::string empty;
    return row < controls.ChannelGrid.size() ? controls.ChannelGrid[row][column] : empty;
}

} // namespace

std::optional<FieldRefusal> CheckFieldsAtStart(const ControlValues& controls, const AdLib32& card) {
    FieldReader read;

    // A wait of 0 or less starts at once.
    read.Real(SettingField::WaitTime, texts::WaitTimeField, controls.WaitTime,
              -std::numeric_limits<double>::max(), MaxWaitSeconds,
              texts::NumberAtMost(static_cast<std::int64_t>(MaxWaitSeconds)));
    read.Integer(SettingField::Iteration, texts::BurstCountField, controls.Iteration,
                 std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max(),
                 texts::UntilStoppedNote);

    const int burstUnit = controls.BurstUnitIndex;
    if (burstUnit < 0 || burstUnit > 2) {
        read.Set(SettingField::BurstUnit, texts::FieldUnitMissing(texts::BurstIntervalField));
    } else {
        const auto unitMs = std::llround(TimeUnitAt(burstUnit + UnitSec).Seconds * 1000.0L);
        read.Integer(SettingField::BurstInterval, texts::BurstIntervalField, controls.BurstInterval,
                     0, MaxBurstIntervalMs / unitMs);
    }

    const int samplingUnit = controls.SampUnitIndex;
    std::optional<std::int64_t> sInterval;
    if (samplingUnit < 0 || samplingUnit > 2) {
        read.Set(SettingField::SamplingUnit, texts::FieldUnitMissing(texts::SamplingIntervalField));
    } else {
        sInterval = read.Integer(SettingField::SInterval, texts::SamplingIntervalField,
                                 controls.SInterval, 1, MaxSInterval);
        std::string accepts;
        if (sInterval &&
            !card.AcceptsSamplingInterval(static_cast<std::uint16_t>(*sInterval),
                                          static_cast<std::uint16_t>(samplingUnit), accepts)) {
            read.Set(SettingField::SInterval,
                     texts::SamplingIntervalRefusedByCard(
                         controls.SInterval,
                         std::string(TimeUnitAt(SamplingUnits[samplingUnit]).Name), accepts));
        }
    }

    // The channel count comes before the number of data, whose limits depend on it.
    const std::int64_t inputs = std::clamp<std::int64_t>(card.InputChannels(), 1, SampleChannels);
    const std::optional<std::int64_t> chNum =
        read.Integer(SettingField::ChNum, texts::ChannelCountField, controls.ChNum, 1, inputs);
    if (chNum) {
        // One burst's block must have a 32-bit size in bytes, its ring buffer (32 words
        // more) a 32-bit size in words, and its length in sampling intervals 32 bits.
        std::int64_t dataMost = std::min(Int32Max / (2 * *chNum), (Int32Max - 32) / *chNum);
        if (sInterval) {
            dataMost = std::min(dataMost, Int32Max / *sInterval);
        }
        read.Integer(SettingField::DataNum, texts::SampleCountField, controls.DataNum, 1, dataMost);

        // The record keeps the coefficients in single precision.
        const double most = std::numeric_limits<float>::max();
        for (int k = 0; k < *chNum; ++k) {
            const auto row = static_cast<std::size_t>(k) + 1;
            read.Real(SettingField::CoefficientA, texts::CoefficientField(k + 1, "A"),
                      Cell(controls, row, 3), -most, most, texts::SingleNumber, k);
            read.Real(SettingField::CoefficientB, texts::CoefficientField(k + 1, "B"),
                      Cell(controls, row, 4), -most, most, texts::SingleNumber, k);
        }
    }
    return read.Refusal();
}

} // namespace tessary
