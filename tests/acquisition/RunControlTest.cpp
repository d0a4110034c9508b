// SPDX-License-Identifier: GPL-3.0-or-later
#include "RunFixture.h"

#include "acquisition/CardMessageQueue.h"
#include "acquisition/MeasurementSetup.h"
#include "acquisition/RunControl.h"
#include "data/Errors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

using namespace tessary;
using namespace tessary::testing;

namespace {

TEST_F(RunControlTest, DrainsAtMost32ScansPerFetchAndEndsAfterTheLastWord) {
    SetChannels(2);
    SetBurst(100, 1);
    Start();
    Pass();
    EXPECT_EQ(view.presentStatus, "1回目の計測");
    card.ready = 200;
    Pass();
    EXPECT_EQ(card.requests, (std::vector<std::int32_t>{64, 64, 64, 8}));
    EXPECT_EQ(run.State().WordsRead, 200);
    EXPECT_EQ(run.State().ScansDone, 100);
    EXPECT_FALSE(run.Running());
    EXPECT_EQ(view.presentStatus, "変換終了");
    EXPECT_EQ(FileSize(), SizeWithBlocks(1));
}

TEST_F(RunControlTest, ConvertsHalfAwayAndStoresBeforeTheChartsHearOfIt) {
    SetBurst(3, 1);
    card.hexToVal = [](std::uint16_t w) { return w == 1 ? 0.0125 : -0.0125; };
    card.words = {1, 2, 1};
    Start();
    Pass();
    FinishBurst();
    const auto& samples = data.Record().Samples[0];
    EXPECT_EQ(samples[0], 13);
    EXPECT_EQ(samples[1], -13);
    // The charts draw from the stored values, so they are told only of complete scans.
    EXPECT_EQ(view.convertedScans, (std::vector<std::int32_t>{3}));
    const std::string bytes = ReadAll(controls.FileName);
    EXPECT_EQ(Stored(bytes, 0, 0, 0), 13);
    EXPECT_EQ(Stored(bytes, 0, 1, 0), -13);
}

TEST_F(RunControlTest, AValueThatRoundsOutsideSixteenBitsFailsTheRun) {
    for (const double volts : {32.7676, -32.7686, std::nan("")}) {
        SetBurst(2, 1);
        card.hexToVal = [volts](std::uint16_t w) { return w == 1 ? 32.7674 : volts; };
        card.words = {1, 2};
        Start();
        Pass();
        card.ready = 2;
        EXPECT_THROW(run.Pass(), RangeError) << volts;
        EXPECT_EQ(run.Outcome().How, RunOutcome::End::Failed);
        EXPECT_EQ(run.State().ScansDone, 0);
    }
    SetBurst(2, 1);
    card.hexToVal = [](std::uint16_t w) { return w == 1 ? 32.7674 : -32.7684; };
    Start();
    Pass();
    FinishBurst();
    EXPECT_EQ(run.Outcome().How, RunOutcome::End::Completed);
    EXPECT_EQ(data.Record().Samples[0][0], 32767);
    EXPECT_EQ(data.Record().Samples[0][1], -32768);
}

TEST_F(RunControlTest, ShowsTheConversionsLeftAfterEveryFetch) {
    SetBurst(100, 1);
    Start();
    Pass();
    card.chunk = 10;
    card.ready = 100;
    Pass();
    std::vector<std::string> expected;
    for (int left = 90; left > 0; left -= 10) {
        expected.push_back("残り変換回数：" + std::to_string(left));
    }
    expected.push_back("終了");
    expected.push_back(""); // the run's end clears the field
    const auto& history = view.timeHistory;
    ASSERT_GE(history.size(), expected.size());
    EXPECT_EQ(
        std::vector<std::string>(history.end() - static_cast<long>(expected.size()), history.end()),
        expected);
    EXPECT_EQ(view.progressHistory.back(), 0);
    EXPECT_EQ(view.progressHistory[view.progressHistory.size() - 2], 100);
    EXPECT_EQ(view.convertedScans,
              (std::vector<std::int32_t>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
}

TEST_F(RunControlTest, StoresAndWritesEveryChannelBeyondTheFourCharts) {
    SetChannels(6);
    SetBurst(10, 1);
    std::vector<std::uint16_t> words;
    for (int c = 0; c < 6; ++c) {
        words.push_back(static_cast<std::uint16_t>(2048 + 205 * c)); // about c volts
    }
    card.words = words;
    Start();
    Pass();
    FinishBurst();
    EXPECT_EQ(view.convertedScans.back(), 10);
    const std::string bytes = ReadAll(controls.FileName);
    for (int c = 0; c < 6; ++c) {
        EXPECT_EQ(Stored(bytes, 0, 9, c), RoundHalfAway((205 * c) * 10.0 / 2048 * 1000));
    }
}

TEST_F(RunControlTest, KeepsTheFixedScheduleAndCatchesUpWithoutSkipping) {
    const double t0 = clock.now;
    const std::int64_t m0 = clock.monotonic;
    Start();
    Pass();
    EXPECT_DOUBLE_EQ(data.Record().StartTime, t0);
    FinishBurst();
    EXPECT_EQ(view.presentStatus, "2回目の計測待ち");
    EXPECT_EQ(run.State().NextBurstTime, m0 + 1'000'000'000);
    clock.Advance(0.5);
    Pass();
    EXPECT_EQ(view.timeText, "残り時間：00:00:00");
    EXPECT_EQ(card.bursts, 1);
    clock.Advance(0.6);
    Pass();
    EXPECT_EQ(view.presentStatus, "2回目の計測");
    // Burst 2 ends 5 s late: burst 3 follows at once.
    clock.Advance(5);
    FinishBurst();
    EXPECT_EQ(view.presentStatus, "3回目の計測待ち");
    Pass();
    EXPECT_EQ(view.presentStatus, "3回目の計測");
    FinishBurst();
    EXPECT_EQ(view.presentStatus, "変換終了");
    EXPECT_FALSE(run.Running());
    EXPECT_TRUE(view.startEnabled);
    EXPECT_FALSE(view.stopEnabled);
    EXPECT_TRUE(view.menusEnabled);
    EXPECT_EQ(FileSize(), SizeWithBlocks(3));
    EXPECT_EQ(HeaderIteration(), 3);

    // A second run records exactly like the first.
    dialogs.answerYes = true;
    Start();
    Pass();
    EXPECT_EQ(view.presentStatus, "1回目の計測");
    EXPECT_EQ(run.State().BurstNumber, 1);
}

TEST_F(RunControlTest, AChannelCountChangedDuringTheRunDoesNotReachIt) {
    SetChannels(2);
    SetBurst(40, 2);
    Start();
    Pass();
    card.ready = 30;
    Pass();
    controls.ChNum = "4";
    ComboChNumChange(controls, data.Record());
    FinishBurst();
    clock.Advance(1);
    Pass();
    card.ready = 10;
    Pass();
    controls.ChNum = "1";
    ComboChNumChange(controls, data.Record());
    run.BtnAdStopClick();
    EXPECT_EQ(data.Record().ChNum, 2);
    EXPECT_EQ(FileSize(), SizeWithBlocks(2));
    EXPECT_EQ(Stored(ReadAll(controls.FileName), 1, 10, 1), ErrorValue);
}

TEST_F(RunControlTest, AnIterationOfZeroRecordsUntilStop) {
    SetBurst(10, 0);
    Start();
    for (int burst = 1; burst <= 5; ++burst) {
        Pass();
        FinishBurst();
        clock.Advance(1);
    }
    EXPECT_TRUE(run.Running());
    EXPECT_EQ(view.presentStatus, "6回目の計測待ち");
    run.BtnAdStopClick();
    EXPECT_EQ(FileSize(), SizeWithBlocks(5));
    EXPECT_EQ(HeaderIteration(), 5) << "the header states the bursts recorded";
}

TEST_F(RunControlTest, PauseProgressCountsFromTheLastSampleOfTheBurst) {
    controls.SInterval = "100";
    controls.BurstInterval = "1";
    controls.BurstUnitIndex = 1; // min
    SetBurst(512, 2);
    Start();
    Pass();
    clock.Advance(51.1);
    FinishBurst();
    clock.Advance(60 - 51.1 - 4.45);
    Pass();
    EXPECT_EQ(view.timeText, "残り時間：00:00:04");
    EXPECT_EQ(view.progress, 50);
}

TEST_F(RunControlTest, InitialWaitCountsDownAndRewritesTheHeaderWithTheRealStart) {
    controls.WaitTime = "90000"; // 25 hours
    data.Record().StartTime = 1000.0;
    const double t0 = clock.now;
    Start();
    EXPECT_EQ(view.presentStatus, "計測待ち");
    Pass();
    EXPECT_EQ(view.timeText, "開始まであと01:00:00");
    EXPECT_EQ(view.progress, 0);
    clock.Advance(45000);
    Pass();
    EXPECT_EQ(view.progress, 50);
    EXPECT_EQ(view.timeText, "開始まであと12:30:00");
    EXPECT_EQ(card.bursts, 0);
    clock.Advance(45001);
    Pass();
    run.WaitForWrites();
    TFrmSDFdata reader(dialogs);
    ASSERT_TRUE(reader.ReadSdfHeader(controls.FileName));
    EXPECT_DOUBLE_EQ(reader.Record().StartTime, clock.now);
    EXPECT_GT(clock.now, t0);
    EXPECT_EQ(reader.Record().Iteration, 3);
    Pass();
    EXPECT_EQ(view.presentStatus, "1回目の計測");
}

TEST_F(RunControlTest, StopDuringTheInitialWaitKeepsTheHeaderOnly) {
    controls.WaitTime = "10";
    Start();
    Pass();
    run.BtnAdStopClick();
    EXPECT_FALSE(run.Running());
    EXPECT_EQ(view.presentStatus, "変換中止");
    EXPECT_EQ(view.timeText, "");
    EXPECT_EQ(view.progress, 0);
    EXPECT_TRUE(view.startEnabled);
    EXPECT_FALSE(view.stopEnabled);
    EXPECT_TRUE(view.menusEnabled);
    EXPECT_EQ(FileSize(), SizeWithBlocks(0));
    EXPECT_EQ(HeaderIteration(), 3);
    EXPECT_EQ(card.bursts, 0);
}

TEST_F(RunControlTest, StopWithinABurstWritesItWithTheMissingScansMarked) {
    SetBurst(512, 5);
    Start();
    for (int burst = 1; burst <= 2; ++burst) {
        Pass();
        FinishBurst();
        clock.Advance(1);
    }
    Pass();
    card.ready = 100;
    Pass();
    EXPECT_EQ(run.State().ScansDone, 100);
    run.BtnAdStopClick();
    EXPECT_EQ(view.textStatus, "停止");
    EXPECT_EQ(card.calls.back(), "StopIrqMode");
    EXPECT_EQ(HeaderIteration(), 3);
    EXPECT_EQ(FileSize(), SizeWithBlocks(3));
    const std::string bytes = ReadAll(controls.FileName);
    EXPECT_EQ(Stored(bytes, 2, 99, 0), 0);
    EXPECT_EQ(Stored(bytes, 2, 100, 0), ErrorValue);
    EXPECT_EQ(Stored(bytes, 2, 511, 0), ErrorValue);
    // Stop is only for a running run.
    run.BtnAdStopClick();
    EXPECT_EQ(HeaderIteration(), 3);
}

TEST_F(RunControlTest, StopBetweenBurstsLowersTheBurstCount) {
    SetBurst(20, 5);
    Start();
    for (int burst = 1; burst <= 2; ++burst) {
        Pass();
        FinishBurst();
        clock.Advance(1);
    }
    EXPECT_EQ(run.Outcome().How, RunOutcome::End::None);
    run.BtnAdStopClick();
    EXPECT_EQ(run.Outcome().How, RunOutcome::End::Stopped);
    EXPECT_EQ(HeaderIteration(), 2);
    EXPECT_EQ(FileSize(), SizeWithBlocks(2));
    EXPECT_EQ(card.bursts, 2);
}

TEST_F(RunControlTest, StopDuringTheLastBurstKeepsTheHeader) {
    SetBurst(20, 2);
    Start();
    Pass();
    FinishBurst();
    clock.Advance(1);
    Pass();
    card.ready = 5;
    Pass();
    run.BtnAdStopClick();
    EXPECT_EQ(HeaderIteration(), 2);
    EXPECT_EQ(FileSize(), SizeWithBlocks(2));
    EXPECT_EQ(Stored(ReadAll(controls.FileName), 1, 5, 0), ErrorValue);
}

TEST_F(RunControlTest, CardMessagesSetTheStatusAndOverflowStopsTheRun) {
    SetBurst(50, 3);
    Start();
    Pass();
    run.AppWindowProc(CardEventRunning, 0);
    EXPECT_EQ(view.textStatus, "変換中");
    run.AppWindowProc(CardEventFinished, 512);
    EXPECT_EQ(view.textStatus, "変換終了[512]");
    card.ready = 20;
    Pass();
    run.AppWindowProc(CardEventOverflow, 0);
    EXPECT_FALSE(run.Running());
    EXPECT_EQ(run.Outcome().How, RunOutcome::End::Failed);
    EXPECT_EQ(run.Outcome().Reason, "リングバッファオーバーフロー");
    EXPECT_EQ(view.presentStatus, "変換中止");
    EXPECT_EQ(view.textStatus, "停止");
    EXPECT_EQ(HeaderIteration(), 1);
    EXPECT_EQ(Stored(ReadAll(controls.FileName), 0, 20, 0), ErrorValue);
    // A late overflow message after the run only shows itself.
    const auto size = FileSize();
    run.AppWindowProc(CardEventOverflow, 0);
    EXPECT_EQ(view.textStatus, "リングバッファオーバーフロー");
    EXPECT_EQ(FileSize(), size);
}

TEST_F(RunControlTest, TheScheduleIgnoresJumpsOfTheWallClockAndRecordsWallTime) {
    controls.BurstInterval = "10";
    controls.WaitTime = "4";
    Start();
    // An hour back (autumn's change) while the wait runs: the wait still ends on time.
    clock.Advance(1);
    clock.JumpWall(-3600);
    Pass();
    EXPECT_EQ(view.timeText, "開始まであと00:00:03");
    clock.Advance(3);
    Pass(); // the wait ends
    Pass();
    EXPECT_EQ(view.presentStatus, "1回目の計測");
    EXPECT_DOUBLE_EQ(data.Record().StartTime, clock.now); // wall time, as it was then
    FinishBurst();
    // An hour forward (spring): burst 2 is not due yet.
    clock.JumpWall(3600);
    clock.Advance(5);
    Pass();
    EXPECT_EQ(card.bursts, 1);
    EXPECT_EQ(view.timeText, "残り時間：00:00:05");
    // Back again: the run neither stalls nor waits an hour.
    clock.JumpWall(-3600);
    clock.Advance(5);
    Pass();
    EXPECT_EQ(card.bursts, 2);
    EXPECT_EQ(view.presentStatus, "2回目の計測");
    FinishBurst();
    // Suspended for 25 s: burst 3, due 15 s ago, follows at once.
    clock.Advance(25);
    Pass();
    EXPECT_EQ(card.bursts, 3);
    FinishBurst();
    EXPECT_FALSE(run.Running());
    EXPECT_EQ(HeaderIteration(), 3);
}

TEST_F(RunControlTest, AnAbnormalEndKeepsTheBurstMarkedAndTheRunGoingOnSchedule) {
    SetBurst(50, 2);
    const std::int64_t m0 = clock.monotonic;
    Start();
    Pass();
    card.ready = 40;
    Pass();
    run.AppWindowProc(99, 0);
    EXPECT_EQ(view.textStatus, "変換異常で終了");
    EXPECT_EQ(card.calls.back(), "StopIrqMode");
    EXPECT_FALSE(run.State().IrqModeActive);
    EXPECT_TRUE(run.Running());
    EXPECT_TRUE(view.stopEnabled);
    EXPECT_EQ(view.presentStatus, "2回目の計測待ち");
    EXPECT_EQ(run.State().NextBurstTime, m0 + 1'000'000'000);
    run.WaitForWrites();
    const std::string bytes = ReadAll(controls.FileName);
    EXPECT_EQ(Stored(bytes, 0, 39, 0), 0);
    EXPECT_EQ(Stored(bytes, 0, 40, 0), ErrorValue);
    clock.Advance(1);
    Pass();
    FinishBurst();
    EXPECT_EQ(view.presentStatus, "変換終了");
    EXPECT_EQ(run.Outcome().How, RunOutcome::End::Completed);
    EXPECT_EQ(FileSize(), SizeWithBlocks(2));
}

TEST_F(RunControlTest, AnOverflowFoundWhileDrainingFinishesTheRecording) {
    SetBurst(50, 3);
    Start();
    Pass();
    FinishBurst();
    clock.Advance(1);
    Pass();
    card.ready = 30;
    Pass();
    card.overflowNow = true;
    Pass();
    EXPECT_EQ(view.textStatus, "リングバッファオーバーフロー!");
    EXPECT_FALSE(run.Running());
    EXPECT_EQ(run.Outcome().How, RunOutcome::End::Failed);
    EXPECT_EQ(run.Outcome().Reason, "リングバッファオーバーフロー!");
    EXPECT_EQ(view.presentStatus, "変換中止");
    EXPECT_TRUE(view.menusEnabled);
    EXPECT_TRUE(view.startEnabled);
    EXPECT_EQ(HeaderIteration(), 2);
    EXPECT_EQ(FileSize(), SizeWithBlocks(2));
    EXPECT_EQ(Stored(ReadAll(controls.FileName), 1, 30, 0), ErrorValue);
}

TEST_F(RunControlTest, AFailedConfigurationShowsItsErrorOnceAndStops) {
    const char* texts[] = {"A/D カード検出エラー", "A/D変換チャンネル設定エラー",
                           "サンプリング周期設定エラー", "リングバッファ初期化エラー",
                           "リングバッファモード変換開始エラー"};
    for (int step = 1; step <= 5; ++step) {
        SCOPED_TRACE(step);
        card.failStep = 0;
        Start();
        dialogs.shown.clear(); // the overwrite question
        Pass();
        FinishBurst();
        clock.Advance(1);
        card.failStep = step;
        dialogs.duringBox = [&] { run.Pass(); };
        Pass();
        dialogs.duringBox = nullptr;
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].Kind, MessageKind::Error);
        EXPECT_EQ(dialogs.shown[0].Text, texts[step - 1]);
        EXPECT_FALSE(run.Running());
        EXPECT_EQ(run.Outcome().How, RunOutcome::End::Failed);
        EXPECT_EQ(run.Outcome().Reason, texts[step - 1]);
        EXPECT_EQ(run.State().BurstNumber, 1);
        EXPECT_EQ(view.presentStatus, "変換中止");
        EXPECT_EQ(HeaderIteration(), 1);
        dialogs.shown.clear();
        Pass();
        EXPECT_TRUE(dialogs.shown.empty());
    }
}

// A card that knows more about a failed step (which device, which rate) says it on the
// message's second line.
TEST_F(RunControlTest, TheCardsOwnReasonFollowsTheFailedStepsMessage) {
    card.failStep = 3;
    card.lastFailure = "Demo device (demo) は 3 Hz でサンプリングできません。";
    Start();
    dialogs.shown.clear();
    Pass();
    const std::string expected =
        "サンプリング周期設定エラー\nDemo device (demo) は 3 Hz でサンプリングできません。";
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].Text, expected);
    EXPECT_EQ(run.Outcome().Reason, expected);
}

// However a run ends, the card hears of it once, after its last card call.
TEST_F(RunControlTest, TheCardIsToldOnceWhenTheRunEndsHoweverItEnds) {
    SetBurst(100, 1);
    Start();
    Pass();
    FinishBurst();
    EXPECT_EQ(run.Outcome().How, RunOutcome::End::Completed);
    EXPECT_EQ(card.runsEnded, 1);

    Start();
    Pass();
    run.BtnAdStopClick();
    EXPECT_EQ(card.runsEnded, 2);
    EXPECT_EQ(card.calls.back(), "StopIrqMode");

    card.failStep = 4;
    Start();
    Pass();
    EXPECT_EQ(run.Outcome().How, RunOutcome::End::Failed);
    EXPECT_EQ(card.runsEnded, 3);
    Pass();
    run.BtnAdStopClick();
    EXPECT_EQ(card.runsEnded, 3) << "no run, nothing to end";
}

TEST_F(RunControlTest, AnErrorInsideTheRunStopsItAndReachesTheHost) {
    // 40 V is 40000 mV, which no stored sample can hold.
    card.hexToVal = [](std::uint16_t) { return 40.0; };
    Start();
    Pass();
    card.ready = BurstWords();
    EXPECT_THROW(run.Pass(), RangeError);
    EXPECT_FALSE(run.Running());
    EXPECT_EQ(run.Outcome().How, RunOutcome::End::Failed);
    EXPECT_NE(run.Outcome().Reason.find("40000"), std::string::npos) << run.Outcome().Reason;
    EXPECT_TRUE(view.startEnabled);
    EXPECT_FALSE(view.stopEnabled);
    EXPECT_TRUE(view.menusEnabled);
}

TEST_F(RunControlTest, AskedNotToOverwriteLeavesEverything) {
    Start();
    run.BtnAdStopClick();
    const std::string before = ReadAll(controls.FileName);
    dialogs.answerYes = false;
    dialogs.shown.clear();
    controls.DataNum = "7";
    EXPECT_FALSE(run.BtnAdStartClick(controls));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].Kind, MessageKind::Warning);
    EXPECT_EQ(dialogs.shown[0].Text, "同名のファイルが存在します。\n上書きしてよろしいですか。");
    EXPECT_EQ(ReadAll(controls.FileName), before);
    EXPECT_EQ(data.Record().DataNum, 100);
}

TEST_F(RunControlTest, AHeaderThatCannotBeWrittenIsReportedAndNothingStarts) {
    controls.FileName = folder.File("missing/run.sdf");
    EXPECT_FALSE(run.BtnAdStartClick(controls));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].Text,
              controls.FileName + " に書き込めません\nNo such file or directory");
    EXPECT_FALSE(run.Running());
    EXPECT_TRUE(view.menusEnabled);
    EXPECT_FALSE(view.stopEnabled);
}

TEST_F(RunControlTest, WordsThatKeepFlowingEndThePassWhenTheSliceIsUsed) {
    SetBurst(1000, 1);
    Start();
    Pass();
    run.SetDrainSlice(std::chrono::microseconds(0));
    card.ready = BurstWords();
    EXPECT_EQ(run.Pass(), std::chrono::milliseconds(0));
    EXPECT_EQ(card.requests.size(), 1u);
    EXPECT_EQ(run.State().ScansDone, 32);
    EXPECT_TRUE(run.Running());
}

TEST_F(RunControlTest, WhileTheCardDeliversNothingPassesReturnAndStopResponds) {
    Start();
    Pass();
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(run.Pass(), std::chrono::milliseconds(1));
    }
    run.BtnAdStopClick();
    EXPECT_FALSE(run.Running());
    EXPECT_EQ(HeaderIteration(), 1);
}

} // namespace

TEST_F(RunControlTest, AFileThatCannotBeFinishedAfterStopEndsTheRunAsFailed) {
    // A TSD file named like its own copy cannot have its count line changed in length.
    controls.FileName = folder.File("run.$$$");
    controls.FileType = FileTypeTsd;
    SetBurst(20, 10);
    Start();
    Pass();
    FinishBurst();
    EXPECT_THROW(run.BtnAdStopClick(), InOutError);
    EXPECT_FALSE(run.Running());
    EXPECT_EQ(run.Outcome().How, RunOutcome::End::Failed);
    EXPECT_NE(run.Outcome().Reason.find("run.$$$"), std::string::npos) << run.Outcome().Reason;
}
