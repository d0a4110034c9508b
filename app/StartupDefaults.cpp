// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StartupDefaults.h"

#include "data/Cp932.h"
#include "data/GeneralFormat.h"

namespace tessary {

namespace {

constexpr int CoefficientDigits = 5;

} // namespace

void ApplyStartupDefaults(MeasurementParameters& record) {
    record.SInterval = 100;
    record.ChNum = 1;
    record.DataNum = 512;
    record.BurstValueNum = 0;
    record.BITUnit = UnitHr;
    record.SITUnit = UnitMsec;
    for (int i = 0; i < MaxChannels; ++i) {
        ChannelSpec& row = record.Channel(i);
        row.Item = "Ch." + std::to_string(i + 1);
        row.Unit = "mV";
        row.A = 1.0f;
        row.B = 0.0f;
    }
}

ControlValues StartupControlValues(const MeasurementParameters& record,
                                   const std::string& dataFolder) {
    ControlValues values;
    values.SInterval = std::to_string(record.SInterval);
    values.DataNum = std::to_string(record.DataNum);
    values.BurstUnitIndex = record.BITUnit - UnitSec;
    values.SampUnitIndex = 1;
    values.ChNum = std::to_string(record.ChNum);
    values.ChannelGrid.resize(1);
    for (int i = 0; i < MaxChannels; ++i) {
        const ChannelSpec& row = record.Channel(i);
        values.ChannelGrid.push_back(
            {std::to_string(i), Cp932ToUtf8(row.Item), Cp932ToUtf8(row.Unit),
             FormatGeneral(row.A, CoefficientDigits), FormatGeneral(row.B, CoefficientDigits)});
    }
    values.Memo.clear();
    values.FileType = 0;
    values.FileName = dataFolder + "ADdata.sdf";
    return values;
}

} // namespace tessary
