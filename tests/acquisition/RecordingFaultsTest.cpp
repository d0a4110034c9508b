// SPDX-License-Identifier: GPL-3.0-or-later
#include "RunFixture.h"

#include "data/RecordingContents.h"
#include "data/RecordingLock.h"
#include "tests/InjectedFaults.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <limits>

using namespace tessary;
using namespace tessary::testing;

namespace {

// A fault that strikes the third block of a five-burst run, after part of it was written.
struct Fault {
    const char* Name;
    int Error;
    int Failures; // writes that fail before writes pass again (-1: all)
    bool InSync;  // the block's bytes are written, forcing them to the disk fails
    const char* Reason;
};

constexpr Fault Faults[] = {
    {"DiskFull", ENOSPC, -1, false, "No space left on device"},
    {"FileSizeLimit", EFBIG, -1, false, "File too large"},
    {"DiskFullForAMoment", ENOSPC, 1, false, "No space left on device"},
    {"SyncFails", EIO, 0, true, "Input/output error"},
};

class WriteFaultsDuringARun : public RunControlTest,
                              public ::testing::WithParamInterface<std::tuple<int, Fault>> {
protected:
    bool Tsd() const { return std::get<0>(GetParam()) == FileTypeTsd; }
    const Fault& TheFault() const { return std::get<1>(GetParam()); }

    void Burst() {
        Pass();
        FinishBurst();
        clock.Advance(1);
    }
};

TEST_P(WriteFaultsDuringARun, StopTheRunWithTheFileStatingTheBlocksWritten) {
    controls.FileType = std::get<0>(GetParam());
    controls.FileName = folder.File(Tsd() ? "run.tsd" : "run.sdf");
    SetChannels(2);
    SetBurst(2000, 5);
    Start();
    Burst();
    Burst();
    InjectedFaults fault(TheFault().InSync ? std::numeric_limits<std::int64_t>::max() : 1000,
                         TheFault().Error, TheFault().Failures);
    if (TheFault().InSync) {
        fault.FailSyncs(TheFault().Error);
    }
    Pass();
    FinishBurst();
    fault.Remove();

    EXPECT_FALSE(run.Running());
    EXPECT_EQ(run.Outcome().How, RunOutcome::End::Failed);
    const std::string expected =
        controls.FileName + " に 3回目のデータを書き込めません\n" + TheFault().Reason;
    EXPECT_EQ(run.Outcome().Reason.rfind(expected, 0), 0u) << run.Outcome().Reason;
    ASSERT_FALSE(dialogs.shown.empty());
    EXPECT_EQ(dialogs.shown.back().Kind, MessageKind::Error);
    EXPECT_EQ(dialogs.shown.back().Text, run.Outcome().Reason);
    EXPECT_EQ(view.presentStatus, "書込みエラーで中止");
    EXPECT_TRUE(view.startEnabled);
    EXPECT_TRUE(view.menusEnabled);
    EXPECT_EQ(card.bursts, 3) << "no burst after the failed one";

    MeasurementParameters header;
    const auto contents = ExamineRecording(controls.FileName, dialogs, header);
    ASSERT_TRUE(contents);
    EXPECT_EQ(contents->StatedBursts, 2);
    EXPECT_EQ(contents->CompleteBursts, 2);
    EXPECT_FALSE(contents->CutOff());
    EXPECT_FALSE(contents->BeingRecorded);
    if (Tsd()) {
        EXPECT_EQ(contents->Tsd.CompleteEnd,
                  static_cast<std::int64_t>(std::filesystem::file_size(controls.FileName)))
            << "no line of the failed block remains";
    } else {
        EXPECT_EQ(FileSize(), SizeWithBlocks(2)) << "no byte of the failed block remains";
    }
}

INSTANTIATE_TEST_SUITE_P(BothFormats, WriteFaultsDuringARun,
                         ::testing::Combine(::testing::Values(FileTypeSdf, FileTypeTsd),
                                            ::testing::ValuesIn(Faults)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param) == FileTypeTsd ? "Tsd"
                                                                                       : "Sdf") +
                                    std::get<1>(info.param).Name;
                         });

TEST_F(RunControlTest, AHeaderThatCannotBeRewrittenAtTheFirstBurstStopsTheRun) {
    controls.WaitTime = "1";
    Start();
    Pass();
    {
        InjectedFaults failing(std::numeric_limits<std::int64_t>::max(), 0);
        failing.FailSyncs(EIO);
        clock.Advance(2);
        Pass();
        run.WaitForWrites();
    }
    EXPECT_FALSE(run.Running());
    EXPECT_EQ(run.Outcome().How, RunOutcome::End::Failed);
    EXPECT_EQ(run.Outcome().Reason, controls.FileName + " に書き込めません\nInput/output error");
    EXPECT_EQ(FileSize(), SizeWithBlocks(0));
    EXPECT_EQ(HeaderIteration(), 3) << "a file without a block keeps its planned count";
}

TEST_F(RunControlTest, AHeaderThatCannotBeWrittenAtStartStartsNothingAndGivesTheReason) {
    {
        const DiskFullAfter full(0);
        EXPECT_FALSE(run.BtnAdStartClick(controls));
    }
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].Text,
              controls.FileName + " に書き込めません\nNo space left on device");
    EXPECT_FALSE(std::filesystem::exists(controls.FileName)) << "a file it made is removed";
    EXPECT_FALSE(run.Running());
    EXPECT_FALSE(RecordingLock::IsRecording(controls.FileName));
}

TEST_F(RunControlTest, ANewRecordingStartsFromAnEmptyFile) {
    WriteAll(controls.FileName, std::string(100000, 'x'));
    Start();
    EXPECT_EQ(FileSize(), SizeWithBlocks(0));
    Pass();
    FinishBurst();
    run.BtnAdStopClick();
    EXPECT_EQ(FileSize(), SizeWithBlocks(1));
    EXPECT_EQ(HeaderIteration(), 1);
}

TEST_F(RunControlTest, AFileBeingRecordedIsRefusedBeforeTheOverwriteQuestion) {
    Start();
    EXPECT_TRUE(RecordingLock::IsRecording(controls.FileName));
    const std::size_t size = FileSize();

    ScriptedDialogs otherDialogs;
    RecordingView otherView;
    TFrmSDFdata otherData{otherDialogs};
    RunSettings otherSettings;
    RunControl other{card, messages, otherData, otherSettings, otherView, otherDialogs, clock};
    EXPECT_FALSE(other.BtnAdStartClick(controls));
    ASSERT_EQ(otherDialogs.shown.size(), 1u);
    EXPECT_EQ(otherDialogs.shown[0].Kind, MessageKind::Error);
    EXPECT_EQ(otherDialogs.shown[0].Text,
              controls.FileName + " は記録中です。同じファイルに記録を開始できません。");
    EXPECT_EQ(FileSize(), size);

    run.BtnAdStopClick();
    EXPECT_FALSE(RecordingLock::IsRecording(controls.FileName)) << "the lock ends with the run";
    EXPECT_TRUE(other.BtnAdStartClick(controls));
    other.BtnAdStopClick();
}

// 4 channels of 65 536 data take 512 KiB a block: block 4 096 would start past 2^31 - 1.
TEST_F(RunControlTest, AnSdfPlanPastTheOffsetLimitIsRefusedBeforeAnythingIsTouched) {
    SetChannels(4);
    SetBurst(65536, 4097);
    WriteAll(controls.FileName, "older");
    EXPECT_FALSE(run.BtnAdStartClick(controls));
    ASSERT_EQ(dialogs.shown.size(), 1u) << "no overwrite question";
    EXPECT_EQ(dialogs.shown[0].Kind, MessageKind::Error);
    EXPECT_EQ(dialogs.shown[0].Text,
              "バースト記録回数 4097 回は SDF ファイルの上限 2 GB (2,147,483,647 バイト) "
              "を超えます。\nこの設定では 4096 回まで記録できます。");
    EXPECT_EQ(ReadAll(controls.FileName), "older");

    dialogs.shown.clear();
    SetBurst(65536, 4096);
    Start();
    run.BtnAdStopClick();
    EXPECT_EQ(HeaderIteration(), 4096);
    // A TSD file has no offset limit.
    controls.FileType = FileTypeTsd;
    controls.FileName = folder.File("run.tsd");
    SetBurst(65536, 4097);
    Start();
    run.BtnAdStopClick();
}

TEST_F(RunControlTest, AskingAboutTooLittleFreeSpaceNamesBothSizesAndNoLeavesEverything) {
    controls.FileType = FileTypeTsd;
    controls.FileName = folder.File("run.tsd");
    SetChannels(4);
    SetBurst(10000000, 32767); // about 9 PB of text
    dialogs.answerYes = false;
    EXPECT_FALSE(run.BtnAdStartClick(controls));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].Kind, MessageKind::Warning);
    const std::string& text = dialogs.shown[0].Text;
    EXPECT_EQ(text.rfind(controls.FileName + " の保存先の空き容量が足りません。\n必要な容量：", 0),
              0u)
        << text;
    EXPECT_NE(text.find(" バイト\n空き容量："), std::string::npos) << text;
    EXPECT_NE(text.find("計測を開始してよろしいですか。"), std::string::npos) << text;
    EXPECT_FALSE(std::filesystem::exists(controls.FileName));
    EXPECT_FALSE(run.Running());
}

// The 16-bit burst count states at most 32 767 bursts: a run without a count ends there.
class RunWithoutACount : public RunControlTest, public ::testing::WithParamInterface<int> {};

TEST_P(RunWithoutACount, EndsAtTheMostBurstsItsHeaderCanState) {
    controls.FileType = GetParam();
    controls.FileName = folder.File(GetParam() == FileTypeTsd ? "run.tsd" : "run.sdf");
    run.SetDurableWrites(false); // 32 767 small blocks; forcing each to the disk proves nothing
    SetBurst(1, 0);
    Start();
    for (int burst = 1; burst <= 32767 && run.Running(); ++burst) {
        Pass();
        FinishBurst();
        clock.Advance(1);
    }
    EXPECT_FALSE(run.Running());
    EXPECT_EQ(card.bursts, 32767);
    EXPECT_EQ(run.Outcome().How, RunOutcome::End::LimitReached);
    EXPECT_EQ(run.Outcome().Reason, "記録回数の上限 32767 回に達したので計測を終了しました。");
    EXPECT_EQ(view.presentStatus, "記録回数の上限で終了");
    MeasurementParameters header;
    const auto contents = ExamineRecording(controls.FileName, dialogs, header);
    ASSERT_TRUE(contents);
    EXPECT_EQ(contents->StatedBursts, 32767);
    EXPECT_EQ(contents->CompleteBursts, 32767);
}

INSTANTIATE_TEST_SUITE_P(BothFormats, RunWithoutACount, ::testing::Values(FileTypeSdf, FileTypeTsd),
                         [](const auto& info) {
                             return info.param == FileTypeTsd ? "Tsd" : "Sdf";
                         });

} // namespace
