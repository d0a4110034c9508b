// SPDX-License-Identifier: GPL-3.0-or-later
#include "texts/Texts.h"

#include "acquisition/AdLib32.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>

using namespace tessary;

// The sentences built from a value, byte for byte as the program has always shown them;
// several are checked nowhere else in full.
TEST(Texts, SentencesBuiltFromAValueReadAsBefore) {
    EXPECT_EQ(texts::BurstMeasuring(1), "1回目の計測");
    EXPECT_EQ(texts::BurstWaiting(12), "12回目の計測待ち");
    EXPECT_EQ(texts::CardFinished(512), "変換終了[512]");
    EXPECT_EQ(texts::CardFinished(-3), "変換終了[-3]");
    EXPECT_EQ(texts::StartsIn("00:00:05"), "開始まであと00:00:05");
    EXPECT_EQ(texts::TimeRemaining("01:02:03"), "残り時間：01:02:03");
    EXPECT_EQ(texts::ScansRemaining(0), "残り変換回数：0");
    EXPECT_EQ(texts::CannotWrite("/tmp/a b.sdf"), "/tmp/a b.sdf に書き込めません");
    EXPECT_EQ(texts::NotFound("libchm.so.1"), "libchm.so.1 が見つかりません");
    EXPECT_EQ(texts::CannotOpen("/x/tessary.chm"), "/x/tessary.chm を開けません");
    EXPECT_EQ(texts::CannotStart("/bin/orvane", "No such file or directory"),
              "/bin/orvane を起動できません\nNo such file or directory");
}

// The channel-count notices of a data file and of a parameter file differ in their wording;
// counts beyond 32 bits and below zero print as plain numbers.
TEST(Texts, ChannelCountNoticesReadAsBefore) {
    EXPECT_EQ(texts::DataFileChannelsCut(6, 4),
              "データファイルのチャンネル数 6 は表示できないため、チャンネル 1 ～ 4 "
              "だけを読み込みました。");
    EXPECT_EQ(texts::DataFileChannelsUnusable(-32768),
              "データファイルのチャンネル数 -32768 は表示できないため、チャンネル数と表は変えて"
              "いません。");
    const std::int64_t beyondInt = std::int64_t{std::numeric_limits<int>::max()} + 1;
    EXPECT_EQ(texts::ParameterFileChannelsCut(beyondInt, 4),
              "このファイルのチャンネル数 2147483648 は表示できないため、チャンネル 1 ～ 4 "
              "だけを読み込みました。");
    EXPECT_EQ(texts::ParameterFileChannelsUnusable(-2),
              "このファイルのチャンネル数の指定 (-2) は表示できないため、チャンネル数は変えて"
              "いません。");
}

// Each failure code of the card's set-up has its own message; a code that names no failure,
// success included, gets the unknown-error message instead of reading past a table.
TEST(Texts, EveryConfigurationResultHasItsMessage) {
    EXPECT_STREQ(ConfigureErrorText(ConfigureParamAutoFailed), "A/D カード検出エラー");
    EXPECT_STREQ(ConfigureErrorText(ConfigureChannelFailed), "A/D変換チャンネル設定エラー");
    EXPECT_STREQ(ConfigureErrorText(ConfigureFreqFailed), "サンプリング周期設定エラー");
    EXPECT_STREQ(ConfigureErrorText(ConfigureRingBufferFailed), "リングバッファ初期化エラー");
    EXPECT_STREQ(ConfigureErrorText(ConfigureStartFailed), "リングバッファモード変換開始エラー");
    for (const int other : {ConfigureOk, -6, 1, std::numeric_limits<int>::min()}) {
        EXPECT_STREQ(ConfigureErrorText(other), "不明なエラーが発生しました。") << other;
    }
}

// A sigrok device's failures name it, and add libsigrok's own last word in brackets only when
// it said something.
TEST(Texts, SigrokFailuresNameTheDeviceAndAddTheLibrarysWord) {
    EXPECT_EQ(texts::SigrokCannotOpen("DSO (hantek-6xxx, 1.5)", ""),
              "DSO (hantek-6xxx, 1.5) を開けません。");
    EXPECT_EQ(texts::SigrokCannotOpen("DSO (hantek-6xxx, 1.5)", "Unable to claim interface."),
              "DSO (hantek-6xxx, 1.5) を開けません。（sigrok: Unable to claim interface.）");
    EXPECT_EQ(texts::SigrokRateRefused("Demo device (demo)", "3 MHz", ""),
              "Demo device (demo) は 3 MHz でサンプリングできません。");
    EXPECT_EQ(texts::SigrokCannotStart("Demo device (demo)", "x"),
              "Demo device (demo) の計測を開始できません。（sigrok: x）");
    EXPECT_EQ(texts::SigrokStoppedEarly("Demo device (demo)", 0, 512, ""),
              "Demo device (demo) のデータが 0 / 512 スキャンで途切れました。");
    EXPECT_EQ(texts::IntervalsOfOfferedRates(""),
              "装置の受け付ける周波数の逆数、または 1 sec 以上");
}
