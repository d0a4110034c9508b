// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DataFileParameters.h"
#include "app/ParameterCommands.h"
#include "data/Cp932.h"
#include "data/Errors.h"
#include "data/FileNames.h"

#include "RecordingDialogs.h"
#include "tests/ScratchFolder.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace tessary;
using namespace tessary::testing;

namespace {

using Row = std::array<std::string, 5>;

// Writes a data-file header of `channels` channels with the given sampling unit.
void WriteHeader(const std::string& path, int channels, TimeUnit samplingUnit) {
    RecordingDialogs dialogs;
    TFrmSDFdata writer(dialogs);
    MeasurementParameters& record = writer.Record();
    record.ChNum = static_cast<std::int16_t>(channels);
    record.Iteration = 7;
    record.DataNum = 1024;
    record.SInterval = 250;
    record.SITUnit = samplingUnit;
    record.BInterval = 30;
    record.BITUnit = UnitMin;
    record.Memo = Utf8ToCp932("前回の計測\r\n二行目");
    for (int i = 0; i < channels; ++i) {
        ChannelSpec& spec = record.Channel(i);
        spec.Item = Utf8ToCp932("温度" + std::to_string(i + 1));
        spec.Unit = Utf8ToCp932("℃");
        spec.A = 0.001234567f;
        spec.B = -1234567.0f;
    }
    record.ComputeDerivedSizes();
    const bool written =
        UpperExtension(path) == ".TSD" ? writer.WriteTsdHeader(path) : writer.WriteSdfHeader(path);
    ASSERT_TRUE(written) << path;
}

ControlValues Current() {
    ControlValues values;
    values.WaitTime = "5";
    values.FileType = 1;
    values.FileName = "/d/keep.tsd";
    values.ApplicationSoftware = "/opt/a.exe";
    values.Left = 1;
    return values;
}

} // namespace

TEST(DataFileParameters, AnSdfOrTsdHeaderFillsTheMeasurementControlsOnly) {
    ScratchFolder folder;
    // "usec" selects the third entry of the sampling-unit list, "sec" the first.
    const std::tuple<const char*, TimeUnit, int> files[] = {
        {"run.sdf", UnitUsec, 2}, {"DATA.SDF", UnitSec, 0}, {"run.TSD", UnitUsec, 2}};
    for (const auto& [name, unit, position] : files) {
        SCOPED_TRACE(name);
        const std::string path = folder.File(name);
        WriteHeader(path, 2, unit);
        RecordingDialogs dialogs;
        TFrmSDFdata sdfData(dialogs);
        ControlValues values = Current();
        std::uint16_t samplingUnitIndex = 1;
        ASSERT_TRUE(LoadParameters(path, sdfData, values, samplingUnitIndex));

        EXPECT_EQ(values.Iteration, "7");
        EXPECT_EQ(values.BurstInterval, "30");
        EXPECT_EQ(values.BurstUnitIndex, 1);
        EXPECT_EQ(values.SInterval, "250");
        EXPECT_EQ(samplingUnitIndex, position);
        EXPECT_EQ(values.SampUnitIndex, position);
        EXPECT_EQ(values.DataNum, "1024");
        EXPECT_EQ(values.ChNum, "2");
        ASSERT_EQ(values.ChannelGrid.size(), 3u);
        EXPECT_EQ(values.ChannelGrid[1], (Row{"1", "温度1", "℃", "0.0012346", "-1.2346E6"}));
        EXPECT_EQ(values.ChannelGrid[2], (Row{"2", "温度2", "℃", "0.0012346", "-1.2346E6"}));
        // The SDF field's padding stays in the record but not in the comment, which goes on
        // to the settings and the next recordings; the TSD lines come back with CR LF.
        EXPECT_EQ(values.Memo, "前回の計測\r\n二行目");
        if (UpperExtension(path) == ".SDF") {
            EXPECT_EQ(sdfData.Record().Memo.size(), 160u);
        }
        const ControlValues before = Current();
        EXPECT_EQ(values.WaitTime, before.WaitTime);
        EXPECT_EQ(values.FileType, before.FileType);
        EXPECT_EQ(values.FileName, before.FileName);
        EXPECT_EQ(values.ApplicationSoftware, before.ApplicationSoftware);
        EXPECT_EQ(values.Left, before.Left);
        EXPECT_TRUE(dialogs.Information.empty());
    }
}

TEST(DataFileParameters, MoreChannelsThanTheListOffersShowTheFirstFourAndTellIt) {
    ScratchFolder folder;
    const std::string path = folder.File("six.sdf");
    WriteHeader(path, 6, UnitMsec);
    RecordingDialogs dialogs;
    TFrmSDFdata sdfData(dialogs);
    ControlValues values;
    std::uint16_t samplingUnitIndex = 1;
    ASSERT_TRUE(ReadParametersFromDataFile(path, sdfData, values, samplingUnitIndex));
    EXPECT_EQ(values.ChNum, "4");
    ASSERT_EQ(values.ChannelGrid.size(), 5u);
    EXPECT_EQ(values.ChannelGrid[4][1], "温度4");
    EXPECT_EQ(sdfData.Record().ChNum, 4);
    ASSERT_EQ(dialogs.Information.size(), 1u);
    EXPECT_NE(dialogs.Information[0].find("6"), std::string::npos);
}

TEST(DataFileParameters, AnUnreadableHeaderChangesNoControl) {
    ScratchFolder folder;
    const std::string path = folder.File("broken.sdf");
    WriteAll(path, "not a data file at all");
    RecordingDialogs dialogs;
    TFrmSDFdata sdfData(dialogs);
    ControlValues values = Current();
    std::uint16_t samplingUnitIndex = 0;
    EXPECT_FALSE(ReadParametersFromDataFile(path, sdfData, values, samplingUnitIndex));
    // A reader error goes on to the general error report, the controls untouched.
    EXPECT_THROW(
        ReadParametersFromDataFile(folder.File("missing.tsd"), sdfData, values, samplingUnitIndex),
        InOutError);
    EXPECT_EQ(values.Iteration, Current().Iteration);
    EXPECT_EQ(values.ChannelGrid, Current().ChannelGrid);
    EXPECT_EQ(samplingUnitIndex, 0);
}
