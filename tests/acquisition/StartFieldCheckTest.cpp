// SPDX-License-Identifier: GPL-3.0-or-later
#include "RunFixture.h"

#include "acquisition/StartFieldCheck.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

using namespace tessary;
using namespace tessary::testing;
using namespace std::string_literals;

namespace {

const std::string NotInteger = "バースト／サンプリング時間間隔は整数で設定して下さい。\n";

using Change = std::function<void(ControlValues&, ScriptedCard&)>;

// Changes of one text field or one channel-table cell. (The value is held as a string: GCC
// 12 at -O3 takes a literal assigned inside such a lambda for an overlapping copy.)
Change Text(std::string ControlValues::*field, std::string value) {
    return [field, value](ControlValues& c, ScriptedCard&) { c.*field = value; };
}
Change Cell(std::size_t row, std::size_t column, std::string value) {
    return [=](ControlValues& c, ScriptedCard&) { c.ChannelGrid[row][column] = value; };
}

// The run fixture's controls, with two channels.
class StartFieldCheckTest : public RunControlTest {
protected:
    StartFieldCheckTest() { SetChannels(2); }
};

TEST_F(StartFieldCheckTest, ARefusedFieldIsNamedAndFocusedBeforeAnyQuestionOrFile) {
    struct Case {
        Change change;
        SettingField field;
        int channel;
        std::string message;
    };
    const std::vector<Case> cases = {
        {Text(&ControlValues::DataNum, "-5"), SettingField::DataNum, 0,
         "サンプリング個数「-5」は使えません。1 ～ 536870911 の整数で設定して下さい。"},
        {Text(&ControlValues::DataNum, "0"), SettingField::DataNum, 0,
         "サンプリング個数「0」は使えません。1 ～ 536870911 の整数で設定して下さい。"},
        {Text(&ControlValues::DataNum, "5x"), SettingField::DataNum, 0,
         NotInteger +
             "サンプリング個数「5x」は使えません。1 ～ 536870911 の整数で設定して下さい。"},
        {Text(&ControlValues::Iteration, "40000"), SettingField::Iteration, 0,
         "バースト記録回数「40000」は使えません。-32768 ～ 32767 の整数（0 以下は中止するまで"
         "記録）で設定して下さい。"},
        {Text(&ControlValues::BurstInterval, "-1"), SettingField::BurstInterval, 0,
         "バースト時間間隔「-1」は使えません。0 ～ 4294967 の整数で設定して下さい。"},
        {[](auto& c, auto&) {
             c.BurstInterval = "1194"s;
             c.BurstUnitIndex = 2;
         },
         SettingField::BurstInterval, 0,
         "バースト時間間隔「1194」は使えません。0 ～ 1193 の整数で設定して下さい。"},
        {Text(&ControlValues::BurstInterval, ""), SettingField::BurstInterval, 0,
         NotInteger +
             "バースト時間間隔が入力されていません。0 ～ 4294967 の整数で設定して下さい。"},
        {[](auto& c, auto&) { c.BurstUnitIndex = -1; }, SettingField::BurstUnit, 0,
         "バースト時間間隔の単位を選んで下さい。"},
        {Text(&ControlValues::SInterval, "0"), SettingField::SInterval, 0,
         "サンプリング間隔「0」は使えません。1 ～ 65535 の整数で設定して下さい。"},
        {Text(&ControlValues::SInterval, "70000"), SettingField::SInterval, 0,
         "サンプリング間隔「70000」は使えません。1 ～ 65535 の整数で設定して下さい。"},
        {[](auto& c, auto&) { c.SampUnitIndex = -1; }, SettingField::SamplingUnit, 0,
         "サンプリング間隔の単位を選んで下さい。"},
        {[](auto& c, auto& card) {
             card.shortestInterval = 10;
             c.SInterval = "5"s;
         },
         SettingField::SInterval, 0,
         "サンプリング間隔 5 msec はこのカードでは使えません。\n使える値：10 or more"},
        {Text(&ControlValues::WaitTime, "soon"), SettingField::WaitTime, 0,
         NotInteger +
             "計測待ち時間(sec)「soon」は使えません。999999999 以下の数値で設定して下さい。"},
        {Text(&ControlValues::WaitTime, "1e10"), SettingField::WaitTime, 0,
         "計測待ち時間(sec)「1e10」は使えません。999999999 以下の数値で設定して下さい。"},
        {[](auto&, auto& card) { card.inputChannels = 1; }, SettingField::ChNum, 0,
         "チャンネル数「2」は使えません。1 ～ 1 の整数で設定して下さい。"},
        {Cell(2, 3, "x"), SettingField::CoefficientA, 1,
         NotInteger +
             "チャンネル 2 の係数 A「x」は使えません。±3.4E38 以内の数値で設定して下さい。"},
        {Cell(1, 4, "-1e39"), SettingField::CoefficientB, 0,
         "チャンネル 1 の係数 B「-1e39」は使えません。±3.4E38 以内の数値で設定して下さい。"},
    };
    // An existing file: a Start that got as far as the overwrite question would ask it.
    WriteAll(controls.FileName, "kept");
    for (const Case& c : cases) {
        ControlValues changed = controls;
        const ScriptedCard saved = card;
        c.change(changed, card);
        dialogs.shown.clear();
        view.focused.reset();
        EXPECT_FALSE(run.BtnAdStartClick(changed)) << c.message;
        ASSERT_EQ(dialogs.shown.size(), 1u) << c.message;
        EXPECT_EQ(dialogs.shown[0].Kind, MessageKind::Error);
        EXPECT_EQ(dialogs.shown[0].Text, c.message);
        EXPECT_EQ(view.focused, c.field) << c.message;
        EXPECT_EQ(view.focusedChannel, c.channel) << c.message;
        EXPECT_EQ(ReadAll(controls.FileName), "kept") << c.message;
        EXPECT_TRUE(card.calls.empty()) << c.message;
        card = saved;
    }
    // The first field in the window's order is the one named.
    ControlValues twice = controls;
    twice.Iteration = "x";
    twice.DataNum = "x";
    const auto refusal = CheckFieldsAtStart(twice, card);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->Field, SettingField::Iteration);
}

TEST_F(StartFieldCheckTest, TheLimitsFollowTheChannelsTheIntervalAndTheCard) {
    EXPECT_FALSE(CheckFieldsAtStart(controls, card));
    const auto refused = [&](ControlValues values) {
        return CheckFieldsAtStart(values, card).has_value();
    };
    ControlValues c = controls;
    // Two channels: a block of 2 × 536870911 words is the largest with a 32-bit size.
    c.DataNum = "536870911";
    EXPECT_FALSE(refused(c));
    c.DataNum = "536870912";
    EXPECT_TRUE(refused(c));
    // At 10 msec the burst's length in intervals is what bounds it.
    c.SInterval = "10";
    c.DataNum = "214748364";
    EXPECT_FALSE(refused(c));
    c.DataNum = "214748365";
    EXPECT_TRUE(refused(c));
    c = controls;
    c.WaitTime = "-3"; // no wait
    c.Iteration = "0"; // until stopped
    c.BurstInterval = "4294967";
    c.SInterval = "65535";
    c.SampUnitIndex = 0;
    EXPECT_FALSE(refused(c));
    card.inputChannels = 1;
    EXPECT_TRUE(refused(c));
}

} // namespace
