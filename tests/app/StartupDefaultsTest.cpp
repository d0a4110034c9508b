// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StartupDefaults.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace tessary;

TEST(StartupDefaults, AFreshStartFillsTheRecordAndTheControls) {
    MeasurementParameters record;
    record.Channel(4).Item = "untouched";
    ApplyStartupDefaults(record);
    EXPECT_EQ(record.SInterval, 100);
    EXPECT_EQ(record.ChNum, 1);
    EXPECT_EQ(record.DataNum, 512);
    EXPECT_EQ(record.BurstValueNum, 0);
    EXPECT_EQ(record.SITUnit, UnitMsec);
    EXPECT_EQ(record.BITUnit, UnitHr);
    EXPECT_EQ(record.Channel(3).Item, "Ch.4");
    EXPECT_EQ(record.Channel(3).Unit, "mV");
    EXPECT_EQ(record.Channel(3).A, 1.0f);
    EXPECT_EQ(record.Channel(3).B, 0.0f);
    EXPECT_EQ(record.Channel(4).Item, "untouched");

    const ControlValues values = StartupControlValues(record, "/opt/tessary/");
    EXPECT_EQ(values.SInterval, "100");
    EXPECT_EQ(values.SampUnitIndex, 1);
    EXPECT_EQ(values.DataNum, "512");
    EXPECT_EQ(values.WaitTime, "0");
    EXPECT_EQ(values.Iteration, "1");
    EXPECT_EQ(values.BurstInterval, "1");
    EXPECT_EQ(values.BurstUnitIndex, 2);
    EXPECT_EQ(values.ChNum, "1");
    ASSERT_EQ(values.ChannelGrid.size(), std::size_t(MaxChannels + 1));
    EXPECT_EQ(values.ChannelGrid[0][1], "項目名");
    // Rows 1 to 4 are numbered from 0 until the settings load numbers them anew.
    EXPECT_EQ(values.ChannelGrid[1], (std::array<std::string, 5>{"0", "Ch.1", "mV", "1", "0"}));
    EXPECT_EQ(values.ChannelGrid[4][0], "3");
    EXPECT_EQ(values.ChannelGrid[4][1], "Ch.4");
    EXPECT_TRUE(values.Memo.empty());
    EXPECT_EQ(values.FileType, 0);
    EXPECT_EQ(values.FileName, "/opt/tessary/ADdata.sdf");
}

TEST(StartupDefaults, CoefficientsAreShownWithFiveSignificantDigits) {
    MeasurementParameters record;
    ApplyStartupDefaults(record);
    record.Channel(0).A = 1234567.0f;
    record.Channel(0).B = 0.00001f;
    record.Channel(1).A = -2.5f;
    const ControlValues values = StartupControlValues(record, "/");
    EXPECT_EQ(values.ChannelGrid[1][3], "1.2346E6");
    EXPECT_EQ(values.ChannelGrid[1][4], "1E-5");
    EXPECT_EQ(values.ChannelGrid[2][3], "-2.5");
}
