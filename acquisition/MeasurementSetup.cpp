// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/MeasurementSetup.h"

#include "acquisition/RunView.h"
#include "acquisition/TextConversions.h"
#include "data/Cp932.h"
#include "data/DateTime.h"
#include "data/Errors.h"
#include "data/TimeUnits.h"
#include "texts/Texts.h"

#include <cfenv>
#include <cmath>
#include <limits>
#include <new>
#include <stdexcept>
#include <string>

namespace tessary {

namespace {

std::int16_t ToInt16(std::int32_t value, const char* what) {
    if (value < std::numeric_limits<std::int16_t>::min() ||
        value > std::numeric_limits<std::int16_t>::max()) {
        throw RangeError(std::string(what) + " " + std::to_string(value) +
                         " is out of the 16-bit range");
    }
    return static_cast<std::int16_t>(value);
}

std::int32_t CheckedProduct(std::int32_t a, std::int32_t b) {
    const std::int64_t product = std::int64_t{a} * b;
    if (product < std::numeric_limits<std::int32_t>::min() ||
        product > std::numeric_limits<std::int32_t>::max()) {
        throw RangeError("The product " + std::to_string(a) + " x " + std::to_string(b) +
                         " overflows 32 bits");
    }
    return static_cast<std::int32_t>(product);
}

float ToSingle(double value) {
    if (std::fabs(value) > std::numeric_limits<float>::max()) {
        throw RangeError("Coefficient " + std::to_string(value) + " is out of the float range");
    }
    return static_cast<float>(value);
}

const std::string& Cell(const ControlValues& controls, std::size_t row, std::size_t column) {
    static const std::string empty;
    return row < controls.ChannelGrid.size() ? controls.ChannelGrid[row][column] : empty;
}

// Sampling-unit list position → TimeUnit: "sec", "msec", "usec".
constexpr TimeUnit SamplingUnits[] = {UnitSec, UnitMsec, UnitUsec};

// A unit's length in microseconds; every unit is a whole number of them, so that unit
// boundaries are compared exactly.
std::int64_t Microseconds(int unit) {
    return std::llround(TimeUnitAt(unit).Seconds * 1'000'000.0L);
}

void ChooseDisplayUnit(const MeasurementParameters& record, RunSettings& settings) {
    const std::int64_t product = CheckedProduct(record.DataNum, record.SInterval);
    const std::int64_t own = Microseconds(record.SITUnit);
    // A burst shorter than 10 of its own units keeps its own unit.
    settings.DisplayInterval = static_cast<double>(record.SInterval);
    settings.DisplayUnitName = std::string(TimeUnitAt(record.SITUnit).Name);
    for (int u = record.SITUnit; u < static_cast<int>(TimeUnits.size()); ++u) {
        // The burst lasts product × own microseconds: at least 10 units of u?
        const std::int64_t tenUnits = 10 * Microseconds(u);
        if (product <= 0 || product < (tenUnits + own - 1) / own) {
            break;
        }
        settings.DisplayInterval =
            static_cast<double>(static_cast<long double>(record.SInterval) * own / Microseconds(u));
        settings.DisplayUnitName = std::string(TimeUnitAt(u).Name);
    }
}

void Gather(const ControlValues& controls, MeasurementParameters& record, RunSettings& settings,
            RunView& view) {
    settings.FileName = controls.FileName;
    settings.WaitTime = TextToFloat(controls.WaitTime);
    const std::int16_t chNum = ToInt16(TextToInt(controls.ChNum), "Channel count");
    if (chNum < 1 || chNum > SampleChannels) {
        throw RangeError("Channel count " + std::to_string(chNum) + " is out of range (1 to 128)");
    }
    record.ChNum = chNum;
    record.BurstValueNum = 0;
    record.DataNum = TextToInt(controls.DataNum);
    record.Iteration = ToInt16(TextToInt(controls.Iteration), "Burst count");
    record.BInterval = TextToInt(controls.BurstInterval);
    const int burstUnit = controls.BurstUnitIndex + 2;
    const long double burstSeconds = TimeUnitAt(burstUnit).Seconds;
    record.BITUnit = static_cast<TimeUnit>(burstUnit);
    record.SInterval = TextToInt(controls.SInterval);

    const long double ms = std::nearbyintl(record.BInterval * burstSeconds * 1000.0L);
    if (!(ms >= 0 && ms <= std::numeric_limits<std::uint32_t>::max())) {
        throw RangeError("Burst interval of " + std::to_string(static_cast<double>(ms)) +
                         " ms is out of range");
    }
    settings.BurstIntervalMs = static_cast<std::uint32_t>(ms);
    settings.BurstIntervalDays = settings.BurstIntervalMs / 1000.0 / SecondsPerDay;

    const int sampUnit = controls.SampUnitIndex;
    if (sampUnit >= 0 && sampUnit < 3) {
        record.SITUnit = SamplingUnits[sampUnit];
    }
    if (sampUnit < 0 || sampUnit > std::numeric_limits<std::uint16_t>::max()) {
        throw RangeError("No sampling unit is selected");
    }
    settings.SamplingUnitIndex = static_cast<std::uint16_t>(sampUnit);

    ChooseDisplayUnit(record, settings);
    record.Memo = CutToBytes(Utf8ToCp932(controls.Memo), MemoBytes);
    settings.RingBufferSize = CheckedProduct(record.DataNum, record.ChNum);
    if (settings.RingBufferSize > std::numeric_limits<std::int32_t>::max() - 32) {
        throw RangeError("Ring buffer size overflows 32 bits");
    }
    settings.RingBufferSize += 32;

    for (int k = 0; k < record.ChNum; ++k) {
        const auto row = static_cast<std::size_t>(k) + 1;
        ChannelSpec& channel = record.Channel(k);
        channel.Item = CutToBytes(Utf8ToCp932(Cell(controls, row, 1)), ItemBytes);
        channel.Unit = CutToBytes(Utf8ToCp932(Cell(controls, row, 2)), UnitBytes);
        channel.A = ToSingle(TextToFloat(Cell(controls, row, 3)));
        channel.B = ToSingle(TextToFloat(Cell(controls, row, 4)));
    }
    record.AllocateSampleBuffers();
    settings.RawSamples.assign(static_cast<std::size_t>(record.DataNum) * record.ChNum, 0);
    view.Panel2Resize();
}

} // namespace

bool GatherSettings(const ControlValues& controls, TFrmSDFdata& data, RunSettings& settings,
                    Dialogs& dialogs, RunView& view) {
    try {
        Gather(controls, data.Record(), settings, view);
        return true;
    } catch (const ConversionError&) {
        dialogs.ShowError(texts::IntervalNotInteger);
    } catch (const RangeError&) {
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    return false;
}

void ComboChNumChange(ControlValues& controls, MeasurementParameters& record) {
    const std::int16_t value = ToInt16(TextToInt(controls.ChNum), "Channel count");
    if (value < 0) {
        throw RangeError("Channel count " + std::to_string(value) + " is negative");
    }
    record.ChNum = value;
    controls.ChannelGrid.resize(static_cast<std::size_t>(value) + 1);
}

} // namespace tessary
