// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DataFileParameters.h"

#include "app/ChannelTable.h"
#include "app/CommentText.h"
#include "app/StartupDefaults.h"
#include "data/Cp932.h"
#include "data/FileNames.h"
#include "data/GeneralFormat.h"
#include "texts/Texts.h"

#include <algorithm>

namespace tessary {

namespace {

constexpr int CoefficientDigits = 5;

bool ReadHeader(const std::string& path, TFrmSDFdata& sdfData) {
    const std::string extension = UpperExtension(path);
    if (extension == ".SDF") {
        return sdfData.ReadSdfHeader(path);
    }
    if (extension == ".TSD") {
        return sdfData.ReadTsdHeader(path);
    }
    return false;
}

} // namespace

bool ReadParametersFromDataFile(const std::string& path, TFrmSDFdata& sdfData,
                                ControlValues& values, std::uint16_t& samplingUnitIndex) {
    if (!ReadHeader(path, sdfData)) {
        return false;
    }
    MeasurementParameters& record = sdfData.Record();
    values.Iteration = std::to_string(record.Iteration);
    values.BurstInterval = std::to_string(record.BInterval);
    values.BurstUnitIndex =
        (record.BITUnit >= UnitSec && record.BITUnit <= UnitHr) ? record.BITUnit - UnitSec : -1;
    values.SInterval = std::to_string(record.SInterval);
    switch (record.SITUnit) {
    case UnitUsec:
        samplingUnitIndex = 2;
        break;
    case UnitMsec:
        samplingUnitIndex = 1;
        break;
    case UnitSec:
        samplingUnitIndex = 0;
        break;
    default:
        break;
    }
    values.SampUnitIndex = samplingUnitIndex;
    values.DataNum = std::to_string(record.DataNum);

    const int channels = record.ChNum;
    std::string notice;
    int shown = std::clamp(channels, 0, MaxChannels);
    if (channels > MaxChannels) {
        notice = texts::DataFileChannelsCut(channels, MaxChannels);
    } else if (channels < 1) {
        notice = texts::DataFileChannelsUnusable(channels);
        shown = std::max(ShownChannelCount(values), 1);
    }
    values.ChNum = std::to_string(shown);
    ResizeChannelTable(values, shown);
    if (channels >= 1) {
        for (int i = 0; i < shown; ++i) {
            const ChannelSpec& spec = record.Channel(i);
            values.ChannelGrid[static_cast<std::size_t>(i) + 1] = {
                std::to_string(i + 1), Cp932ToUtf8(spec.Item), Cp932ToUtf8(spec.Unit),
                FormatGeneral(spec.A, CoefficientDigits), FormatGeneral(spec.B, CoefficientDigits)};
        }
    }
    record.ChNum = static_cast<std::int16_t>(shown);
    // The SDF memo field is padded with blanks to its 160 bytes: the comment takes the
    // text without them, or they would go on into the settings and every later recording.
    std::string memo = record.Memo;
    memo.erase(memo.find_last_not_of(" \t") + 1);
    values.Memo = WithCrLfLineBreaks(Cp932ToUtf8(memo));

    if (!notice.empty()) {
        sdfData.MessageBoxes().ShowInformation(notice);
    }
    return true;
}

} // namespace tessary
