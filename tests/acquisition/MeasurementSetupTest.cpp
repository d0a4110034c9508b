// SPDX-License-Identifier: GPL-3.0-or-later
#include "AcquisitionTesting.h"

#include "acquisition/MeasurementSetup.h"
#include "acquisition/TextConversions.h"
#include "data/Errors.h"
#include "tests/CommaLocale.h"

#include <gtest/gtest.h>

using namespace tessary;
using namespace tessary::testing;

namespace {

TEST(TextConversions, IntegersAreWholeTextsWithinThirtyTwoBits) {
    EXPECT_EQ(TextToInt("512"), 512);
    EXPECT_EQ(TextToInt("  -7"), -7);
    EXPECT_EQ(TextToInt("+3"), 3);
    EXPECT_EQ(TextToInt("$1F"), 31);
    EXPECT_EQ(TextToInt("0x10"), 16);
    EXPECT_EQ(TextToInt("2147483647"), 2147483647);
    EXPECT_EQ(TextToInt("-2147483648"), -2147483647 - 1);
    for (const char* bad : {"", " ", "-", "0.5", "12 ", "1e3", "12a", "2147483648", "$",
                            "99999999999999999999", "--1", "$FFFFFFFFF"}) {
        EXPECT_THROW(TextToInt(bad), ConversionError) << bad;
    }
}

TEST(TextConversions, RealsTakeSpacesAroundAndAnExponentButNothingElse) {
    EXPECT_DOUBLE_EQ(TextToFloat(" 1.5 "), 1.5);
    EXPECT_DOUBLE_EQ(TextToFloat("-.25"), -0.25);
    EXPECT_DOUBLE_EQ(TextToFloat("2."), 2.0);
    EXPECT_DOUBLE_EQ(TextToFloat("1E-3"), 0.001);
    for (const char* bad :
         {"", ".", "abc", "1,5", "1e", "inf", "nan", "0x10", "1e999", "1.5x", "1..2"}) {
        EXPECT_THROW(TextToFloat(bad), ConversionError) << bad;
    }
}

TEST(TextConversions, AFullStopIsThePointUnderADecimalCommaLocaleToo) {
    const CommaLocale german;
    ASSERT_TRUE(german.Active()) << "the generated de_DE.UTF-8 locale is missing";
    EXPECT_DOUBLE_EQ(TextToFloat("0.5"), 0.5);
    EXPECT_DOUBLE_EQ(TextToFloat("-2.5E-1"), -0.25);
    EXPECT_THROW(TextToFloat("0,5"), ConversionError);
    // The window's own decimal comma becomes the point; a text already holding one, or
    // more than one comma, is left for the check to refuse.
    EXPECT_DOUBLE_EQ(TextToFloat(WithFullStop("0,5", ",")), 0.5);
    EXPECT_EQ(WithFullStop("2.5", ","), "2.5");
    EXPECT_EQ(WithFullStop("1,000.5", ","), "1,000.5");
    EXPECT_EQ(WithFullStop("1,2,3", ","), "1,2,3");
    EXPECT_EQ(WithFullStop("0,5", "."), "0,5");
}

class GatherSettingsTest : public ::testing::Test {
protected:
    GatherSettingsTest() {
        controls.FileName = "/tmp/x.sdf";
        controls.ChNum = "1";
    }
    bool Gather() { return GatherSettings(controls, data, settings, dialogs, view); }
    MeasurementParameters& Record() { return data.Record(); }

    ControlValues controls;
    ScriptedDialogs dialogs;
    RecordingView view;
    TFrmSDFdata data{dialogs};
    RunSettings settings;
};

TEST_F(GatherSettingsTest, FillsTheRecordTheRunSettingsAndTheBuffers) {
    controls.ChNum = "2";
    controls.ChannelGrid.push_back({"1", "Ch.2", "V", "0.5", "-1"});
    controls.WaitTime = "2.5";
    controls.Iteration = "4";
    ASSERT_TRUE(Gather());
    EXPECT_EQ(settings.FileName, "/tmp/x.sdf");
    EXPECT_DOUBLE_EQ(settings.WaitTime, 2.5);
    EXPECT_EQ(Record().ChNum, 2);
    EXPECT_EQ(Record().Iteration, 4);
    EXPECT_EQ(Record().SITUnit, UnitMsec);
    EXPECT_EQ(Record().BITUnit, UnitHr);
    EXPECT_EQ(settings.BurstIntervalMs, 3600000u);
    EXPECT_EQ(settings.RingBufferSize, 512 * 2 + 32);
    EXPECT_EQ(settings.RawSamples.size(), 1024u);
    EXPECT_EQ(Record().Samples[1].size(), 512u);
    EXPECT_EQ(Record().Channels[1].Unit, "V");
    EXPECT_FLOAT_EQ(Record().Channels[1].A, 0.5f);
    EXPECT_FLOAT_EQ(Record().Channels[1].B, -1.0f);
    // 512 × 100 msec = 51.2 s: shown in seconds, 0.1 apart.
    EXPECT_EQ(settings.DisplayUnitName, "sec");
    EXPECT_DOUBLE_EQ(settings.DisplayInterval, 0.1);
    EXPECT_EQ(view.panelResizes, 1);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(GatherSettingsTest, BurstIntervalInMillisecondsAndDays) {
    controls.BurstInterval = "2";
    controls.BurstUnitIndex = 1; // min
    ASSERT_TRUE(Gather());
    EXPECT_EQ(settings.BurstIntervalMs, 120000u);
    EXPECT_DOUBLE_EQ(settings.BurstIntervalDays, 120000.0 / 86400000.0);
}

TEST_F(GatherSettingsTest, DisplayUnitIsTheCoarsestInWhichTheBurstLastsTenUnits) {
    controls.DataNum = "1000";
    controls.SInterval = "1";
    controls.SampUnitIndex = 2; // usec
    ASSERT_TRUE(Gather());
    EXPECT_EQ(settings.DisplayUnitName, "usec");
    EXPECT_DOUBLE_EQ(settings.DisplayInterval, 1.0);

    // A burst of less than ten of its own units keeps its own unit, not the last run's.
    controls.DataNum = "5";
    controls.SampUnitIndex = 0; // sec
    ASSERT_TRUE(Gather());
    EXPECT_EQ(settings.DisplayUnitName, "sec");
    EXPECT_DOUBLE_EQ(settings.DisplayInterval, 1.0);

    // A burst of exactly ten units is shown in that unit.
    const struct {
        const char* dataNum;
        const char* sInterval;
        int sampUnit;
        const char* unit;
        double interval;
    } exact[] = {
        {"100", "100", 2, "msec", 0.1},              // 10 msec
        {"10000", "1", 1, "sec", 0.001},             // 10 s
        {"86400", "10000", 1, "days", 10.0 / 86400}, // 10 days
        {"600", "1", 0, "min", 1.0 / 60},            // 10 min
    };
    for (const auto& c : exact) {
        controls.DataNum = c.dataNum;
        controls.SInterval = c.sInterval;
        controls.SampUnitIndex = c.sampUnit;
        ASSERT_TRUE(Gather());
        EXPECT_EQ(settings.DisplayUnitName, c.unit) << c.dataNum << " x " << c.sInterval;
        EXPECT_DOUBLE_EQ(settings.DisplayInterval, c.interval) << c.dataNum;
    }
}

TEST_F(GatherSettingsTest, TextsThatDoNotConvertShowTheOneMessage) {
    const auto refuse = [&](std::string ControlValues::*field, const char* text) {
        ControlValues saved = controls;
        controls.*field = text;
        dialogs.shown.clear();
        EXPECT_FALSE(Gather()) << text;
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].Kind, MessageKind::Error);
        EXPECT_EQ(dialogs.shown[0].Text, "バースト／サンプリング時間間隔は整数で設定して下さい。");
        controls = saved;
    };
    refuse(&ControlValues::SInterval, "0.5");
    refuse(&ControlValues::WaitTime, "soon");
    refuse(&ControlValues::DataNum, "5x");
    refuse(&ControlValues::BurstInterval, "");
    refuse(&ControlValues::Iteration, "99999999999");
    controls.ChannelGrid[1][3] = "abc";
    dialogs.shown.clear();
    EXPECT_FALSE(Gather());
    EXPECT_EQ(dialogs.shown.size(), 1u);
}

TEST_F(GatherSettingsTest, OtherFailuresAreSilent) {
    const auto silent = [&](auto change) {
        ControlValues saved = controls;
        change();
        dialogs.shown.clear();
        EXPECT_FALSE(Gather());
        EXPECT_TRUE(dialogs.shown.empty());
        controls = saved;
    };
    silent([&] { controls.ChNum = "0"; });
    silent([&] { controls.ChNum = "-1"; });
    silent([&] { controls.ChNum = "129"; });
    silent([&] { controls.ChNum = "40000"; });
    silent([&] { controls.Iteration = "32768"; });
    silent([&] { controls.SampUnitIndex = -1; });
    silent([&] { controls.BurstInterval = "-1"; });
    silent([&] { controls.BurstInterval = "1200000"; }); // 1.2 million hours in ms
    silent([&] { controls.DataNum = "-5"; });
    silent([&] {
        controls.DataNum = "2000000000";
        controls.SInterval = "2";
    });
    silent([&] { controls.ChannelGrid[1][3] = "1e300"; });
    EXPECT_EQ(view.panelResizes, 0);
}

TEST_F(GatherSettingsTest, TextsAreCutInBytesAndOnlyTheUsedRowsAreRead) {
    controls.Memo = std::string(170, 'm');
    controls.ChannelGrid[1][1] = "あいうえおかきくけこ"; // 20 bytes in CP932
    controls.ChNum = "3";
    controls.ChannelGrid.push_back({"1", "b", "mV", "1", "0"});
    controls.ChannelGrid.push_back({"2", "c", "mV", "1", "0"});
    Record().Channels[3].Item = "keep";
    ASSERT_TRUE(Gather());
    EXPECT_EQ(Record().Memo, std::string(160, 'm'));
    EXPECT_EQ(Record().Channels[0].Item.size(), 16u);
    EXPECT_EQ(Record().Channels[2].Item, "c");
    EXPECT_EQ(Record().Channels[3].Item, "keep");
}

TEST(ComboChNumChange, SizesTheChannelTableOrChangesNothing) {
    ControlValues controls;
    MeasurementParameters record;
    controls.ChNum = "4";
    ComboChNumChange(controls, record);
    EXPECT_EQ(record.ChNum, 4);
    EXPECT_EQ(controls.ChannelGrid.size(), 5u);
    EXPECT_EQ(controls.ChannelGrid[1][1], "Ch.1");
    for (const char* bad : {"x", "70000", "-1"}) {
        controls.ChNum = bad;
        EXPECT_THROW(ComboChNumChange(controls, record), TessaryError) << bad;
        EXPECT_EQ(record.ChNum, 4);
        EXPECT_EQ(controls.ChannelGrid.size(), 5u);
    }
}

} // namespace
