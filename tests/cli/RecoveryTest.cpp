// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliFixture.h"
#include "CliProcess.h"
#include "SdfBytes.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <random>
#include <sys/mount.h>
#include <thread>

using namespace clitest;

namespace {

constexpr std::size_t SdfHeaderBytes = 512; // 2 channels
constexpr int Channels = 2;
constexpr int DataNum = 250;
constexpr std::size_t SdfBlockBytes = Channels * DataNum * 2;
constexpr std::size_t IterationOffset = 223;

// The value lines of a TSD block recorded from the ramp card.
std::string RampLines() {
    std::string text;
    for (int i = 0; i < DataNum; ++i) {
        text += std::to_string(RampSample(i, 0)) + "," + std::to_string(RampSample(i, 1)) + "\r\n";
    }
    return text;
}

std::string RampBlock() {
    std::string bytes;
    for (int i = 0; i < DataNum; ++i) {
        for (int c = 0; c < Channels; ++c) {
            const auto v = static_cast<std::uint16_t>(RampSample(i, c));
            bytes += static_cast<char>(v & 0xFF);
            bytes += static_cast<char>(v >> 8);
        }
    }
    return bytes;
}

// Where the complete blocks of a recording end and how many there are, counted by hand: SDF by
// the length, TSD by "No." lines followed by all their value lines, each of which must be the
// ramp exactly. At most `stated`.
struct Complete {
    int Blocks = 0;
    std::size_t End = 0;
};

Complete CompleteSdf(const std::string& bytes, int stated) {
    Complete found;
    const std::string ramp = RampBlock();
    while (found.Blocks < stated &&
           SdfHeaderBytes + (found.Blocks + 1) * SdfBlockBytes <= bytes.size()) {
        EXPECT_EQ(bytes.substr(SdfHeaderBytes + found.Blocks * SdfBlockBytes, SdfBlockBytes), ramp)
            << "block " << found.Blocks;
        ++found.Blocks;
    }
    found.End = SdfHeaderBytes + found.Blocks * SdfBlockBytes;
    return found;
}

Complete CompleteTsd(const std::string& text, int stated) {
    Complete found;
    std::size_t at = 0;
    for (int line = 0; line < 12; ++line) {
        at = text.find("\r\n", at) + 2;
    }
    found.End = at;
    const std::string lines = RampLines();
    while (found.Blocks < stated) {
        const std::string number = "No." + std::to_string(found.Blocks + 1) + "\r\n";
        if (text.compare(at, number.size(), number) != 0 ||
            text.size() < at + number.size() + lines.size()) {
            break;
        }
        EXPECT_EQ(text.substr(at + number.size(), lines.size()), lines) << "block " << found.Blocks;
        at += number.size() + lines.size();
        found.End = at;
        ++found.Blocks;
    }
    return found;
}

class Recovery : public CliFixture {
protected:
    void SetUp() override {
        CliFixture::SetUp();
        WriteRampCard("sim.ini");
    }
    CliResult Repair(const std::string& name) { return RunCli({"repair", name}, folder_); }

    // Repairs a recording that was killed, and checks the result against the file as it was
    // left: the header states the complete blocks, each of them the ramp, and nothing else
    // changed but the count (and, in TSD, the lines of a partly written block). A second repair
    // changes nothing.
    void CheckRepair(const std::string& name, bool tsd, int stated) {
        const std::string before = Read(name);
        const Complete complete = tsd ? CompleteTsd(before, stated) : CompleteSdf(before, stated);
        // Looking first changes nothing and tells what repair will do.
        const CliResult look = RunCli({"repair", "--dry-run", name}, folder_);
        ASSERT_EQ(look.ExitCode, 0) << look.Err;
        EXPECT_TRUE(Read(name) == before);
        if (complete.Blocks > 0 && complete.Blocks < stated) {
            EXPECT_NE(look.Out.find("repair would state " + std::to_string(complete.Blocks) +
                                    (complete.Blocks == 1 ? " burst" : " bursts")),
                      std::string::npos)
                << look.Out;
        }
        const CliResult r = Repair(name);
        ASSERT_EQ(r.ExitCode, 0) << r.Err;
        const std::string after = Read(name);
        if (complete.Blocks == 0) {
            EXPECT_NE(r.Out.find("no complete burst"), std::string::npos) << r.Out;
            EXPECT_TRUE(after == before);
        } else if (complete.Blocks == stated && complete.End == before.size()) {
            EXPECT_NE(r.Out.find("finished"), std::string::npos) << r.Out;
            EXPECT_TRUE(after == before);
        } else {
            EXPECT_NE(r.Out.find("cut off: the header states " + std::to_string(stated) +
                                 " bursts, the file holds " + std::to_string(complete.Blocks) +
                                 " complete"),
                      std::string::npos)
                << r.Out;
            std::string expected = before;
            if (tsd) {
                std::size_t count = 0;
                for (int line = 0; line < 4; ++line) {
                    count = expected.find("\r\n", count) + 2;
                }
                expected = before.substr(0, complete.End);
                expected.replace(count, expected.find("\r\n", count) - count,
                                 std::to_string(complete.Blocks));
            } else {
                expected[IterationOffset] = static_cast<char>(complete.Blocks);
                expected[IterationOffset + 1] = 0;
            }
            EXPECT_TRUE(after == expected) << "only the count changes";
        }
        const CliResult again = Repair(name);
        EXPECT_EQ(again.ExitCode, 0) << again.Err;
        EXPECT_TRUE(Read(name) == after) << "a second repair changes nothing";
        if (complete.Blocks > 0) {
            EXPECT_NE(again.Out.find("finished"), std::string::npos) << again.Out;
        }
    }
};

// Killed at random moments of the wait (0.2 s), the three bursts (0.25 s each) and the pauses
// between them (0.75 s), counted from the run's start (its first state text, once the header
// is written), in both formats, twelve runs at a time.
TEST_F(Recovery, RecordingsKilledAtRandomMomentsAreFinishedByRepair) {
    Apm apm;
    apm.WaitTime = "0.2";
    apm.BurstInterval = "1";
    apm.DataNum = std::to_string(DataNum);
    apm.Channels = Channels;
    WriteApm("run.apm", apm);
    const std::uint32_t seed = std::random_device{}();
    std::printf("killed recordings: seed %u\n", seed);
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> moment(0, 2450); // milliseconds after the start
    int withHeader = 0;
    constexpr int Trials = 48;
    constexpr int AtATime = 12;
    for (int first = 0; first < Trials; first += AtATime) {
        struct Trial {
            std::string Name;
            bool Tsd;
            std::chrono::milliseconds At;
            std::unique_ptr<CliProcess> Run;
            std::chrono::steady_clock::time_point Kill{};
        };
        std::vector<Trial> trials;
        for (int t = first; t < first + AtATime; ++t) {
            const bool tsd = t % 2 == 1;
            const std::string name = "k" + std::to_string(t) + (tsd ? ".tsd" : ".sdf");
            trials.push_back(
                {name,
                 tsd,
                 std::chrono::milliseconds(moment(random)),
                 std::make_unique<CliProcess>(
                     std::vector<std::string>{"record", "run.apm", "-o", name, "--type",
                                              tsd ? "tsd" : "sdf", "--card-config", "sim.ini"},
                     folder_),
                 {}});
        }
        for (Trial& trial : trials) {
            ASSERT_TRUE(trial.Run->WaitFor("計測待ち\n", std::chrono::seconds(20))) << trial.Name;
            trial.Kill = std::chrono::steady_clock::now() + trial.At;
        }
        std::sort(trials.begin(), trials.end(),
                  [](const Trial& a, const Trial& b) { return a.Kill < b.Kill; });
        for (Trial& trial : trials) {
            std::this_thread::sleep_until(trial.Kill);
            trial.Run->Send(SIGKILL);
            const CliResult r = trial.Run->Finish();
            // A run that completed just before its moment is finished already.
            ASSERT_TRUE(r.Signal == SIGKILL || r.ExitCode == 0) << trial.Name << ": " << r.Err;
        }
        for (const Trial& trial : trials) {
            SCOPED_TRACE(trial.Name + " killed after " + std::to_string(trial.At.count()) + " ms");
            const std::string bytes = Exists(trial.Name) ? Read(trial.Name) : std::string();
            // Killed before its header was written: nothing to finish.
            if (bytes.size() < (trial.Tsd ? 100u : SdfHeaderBytes)) {
                continue;
            }
            ++withHeader;
            CheckRepair(trial.Name, trial.Tsd, 3);
        }
    }
    EXPECT_GE(withHeader, Trials * 3 / 4);
}

// The old run's blocks are gone with the new run's Start, so none of them is repaired into it.
TEST_F(Recovery, ANewRecordingOverALongerFileKilledInItsSecondBurstRepairsToItsOwnBurst) {
    SdfSpec older;
    older.ChNum = Channels;
    older.DataNum = DataNum;
    older.Iteration = 5;
    older.Rows = {{"a", "V"}, {"b", "V"}};
    Write("ADdata.sdf", SdfHeader(older) + std::string(5 * SdfBlockBytes, '\x55'));
    Apm apm;
    apm.BurstInterval = "1";
    apm.DataNum = "2000"; // 2 s a burst
    apm.Channels = Channels;
    WriteApm("run.apm", apm);
    CliProcess run({"record", "run.apm", "-o", "ADdata.sdf", "--card-config", "sim.ini", "--yes"},
                   folder_);
    ASSERT_TRUE(run.WaitFor("2回目の計測\n", std::chrono::seconds(20)));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    run.Send(SIGKILL);
    run.Finish();

    EXPECT_EQ(Read("ADdata.sdf").find(std::string(8, '\x55')), std::string::npos)
        << "no byte of the older recording remains";
    const CliResult r = Repair("ADdata.sdf");
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_NE(r.Out.find("the header now states 1 burst"), std::string::npos) << r.Out;
    const CliResult info = RunCli({"info", "ADdata.sdf", "--json"}, folder_);
    EXPECT_NE(info.Out.find("\"Iteration\":1,"), std::string::npos) << info.Out;
    EXPECT_NE(info.Out.find("\"CompleteBursts\":1,\"CutOff\":false"), std::string::npos)
        << info.Out;
}

class WriteFaultsOfTheTool : public Recovery, public ::testing::WithParamInterface<int> {
protected:
    std::string Name() const { return GetParam() == 1 ? "out.tsd" : "out.sdf"; }

    // 20 bursts of 5000 scans at 10 µs, back to back.
    void WriteFastApm() {
        Apm apm;
        apm.Iteration = "20";
        apm.SInterval = "10";
        apm.SamplingUnit = 2; // usec
        apm.DataNum = "5000";
        apm.Channels = Channels;
        apm.FileType = GetParam();
        WriteApm("run.apm", apm);
    }

    // The run failed on a block, said so in one line naming the file, burst and reason, and
    // left a file whose header states the complete blocks it holds; or, where a TSD count line
    // that changes its length could not be copied on the full disk, said that repair can finish
    // it, which it does once there is room.
    void ExpectFailedSoundly(const CliResult& r, const std::string& subject,
                             const std::string& reason) {
        EXPECT_EQ(r.Signal, 0) << "a write error, never a signal";
        EXPECT_EQ(r.ExitCode, 1) << r.Err;
        const std::size_t line = r.Err.find("tessary-cli: " + subject + ": ");
        ASSERT_NE(line, std::string::npos) << r.Err;
        const std::string message = r.Err.substr(line, r.Err.find('\n', line) - line);
        EXPECT_NE(message.find("回目のデータを書き込めません " + reason), std::string::npos)
            << message;
        EXPECT_NE(r.Err.find("書込みエラーで中止"), std::string::npos) << r.Err;
        if (message.find("のヘッダを記録回数") != std::string::npos) {
            EXPECT_NE(message.find("tessary-cli repair で修正できます"), std::string::npos);
            const CliResult repair = Repair(Name());
            EXPECT_EQ(repair.ExitCode, 0) << repair.Err;
        }
        const CliResult info = RunCli({"info", Name(), "--json"}, folder_);
        ASSERT_EQ(info.ExitCode, 0) << info.Err;
        EXPECT_NE(info.Out.find("\"CutOff\":false"), std::string::npos) << info.Out;
        EXPECT_EQ(info.Out.find("\"CompleteBursts\":0,"), std::string::npos) << info.Out;
        EXPECT_EQ(info.Out.find("\"CompleteBursts\":20,"), std::string::npos) << info.Out;
    }
};

TEST_P(WriteFaultsOfTheTool, AFileSizeLimitEndsTheRunWithAMessageAndASoundFile) {
    WriteFastApm();
    const CliResult r =
        RunCli({"record", "run.apm", "-o", Name(), "--card-config", "sim.ini"}, folder_, 100000);
    ExpectFailedSoundly(r, Name(), "File too large");
}

TEST_P(WriteFaultsOfTheTool, AFullFileSystemEndsTheRunWithAMessageAndASoundFile) {
    const std::string mount = Path("small");
    std::filesystem::create_directory(mount);
    if (::mount("tmpfs", mount.c_str(), "tmpfs", 0, "size=256k") != 0) {
        GTEST_SKIP() << "no right to mount a small file system here";
    }
    WriteFastApm();
    // --yes also answers the question about the free space (400 kB planned).
    const CliResult r =
        RunCli({"record", "run.apm", "-o", "small/" + Name(), "--card-config", "sim.ini", "--yes"},
               folder_);
    std::filesystem::copy_file(mount + "/" + Name(), Path(Name()));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(mount),
                            std::filesystem::directory_iterator()),
              1)
        << "no copy is left on the full disk";
    ::umount(mount.c_str());
    ExpectFailedSoundly(r, "small/" + Name(), "No space left on device");
}

INSTANTIATE_TEST_SUITE_P(BothFormats, WriteFaultsOfTheTool, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param == 1 ? "Tsd" : "Sdf"; });

TEST_F(Recovery, AFileThatTakesNoDataIsRefusedAtStartWithTheReason) {
    WriteApm("run.apm", {});
    const CliResult r = RunCli(
        {"record", "run.apm", "-o", "/dev/full", "--card-config", "sim.ini", "--yes"}, folder_);
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find("/dev/full に書き込めません "), std::string::npos) << r.Err;
}

TEST_F(Recovery, APlanBeyondTheFreeSpaceIsAskedAboutAndWithoutATerminalNotRecorded) {
    Apm apm;
    apm.Iteration = "32767";
    apm.DataNum = "10000000"; // about 9 PB of text
    apm.Channels = 4;
    apm.FileType = 1;
    WriteApm("run.apm", apm);
    const CliResult r =
        RunCli({"record", "run.apm", "-o", "big.tsd", "--card-config", "sim.ini"}, folder_);
    EXPECT_EQ(r.ExitCode, 3) << r.Err;
    EXPECT_NE(r.Err.find("big.tsd: too little free space for the planned recording; give --yes "
                         "to record anyway"),
              std::string::npos)
        << r.Err;
    EXPECT_FALSE(Exists("big.tsd"));
}

TEST_F(Recovery, AFileBeingRecordedIsRefusedByASecondRecordAndByRepair) {
    Apm apm;
    apm.Iteration = "100";
    apm.BurstInterval = "1";
    WriteApm("run.apm", apm);
    CliProcess first({"record", "run.apm", "-o", "live.sdf", "--card-config", "sim.ini"}, folder_);
    ASSERT_TRUE(first.WaitFor("1回目の計測", std::chrono::seconds(10)));

    const CliResult second = RunCli(
        {"record", "run.apm", "-o", "live.sdf", "--card-config", "sim.ini", "--yes"}, folder_);
    EXPECT_EQ(second.ExitCode, 1);
    EXPECT_NE(second.Err.find("live.sdf は記録中です。"), std::string::npos) << second.Err;
    const CliResult repair = Repair("live.sdf");
    EXPECT_EQ(repair.ExitCode, 1);
    EXPECT_NE(repair.Err.find("live.sdf: being recorded"), std::string::npos) << repair.Err;
    const CliResult info = RunCli({"info", "live.sdf"}, folder_);
    EXPECT_EQ(info.ExitCode, 0) << info.Err;
    EXPECT_NE(info.Out.find("being recorded"), std::string::npos) << info.Out;

    first.Send(SIGINT);
    EXPECT_EQ(first.Finish().ExitCode, 0);
    const CliResult after = Repair("live.sdf");
    EXPECT_EQ(after.ExitCode, 0) << after.Err;
    EXPECT_NE(after.Out.find("finished"), std::string::npos) << after.Out;
}

TEST_F(Recovery, ARunThatEndsBeforeItsFirstBurstIsReportedAsHoldingNone) {
    Apm apm;
    apm.WaitTime = "30";
    WriteApm("run.apm", apm);
    ASSERT_EQ(RunCli({"record", "run.apm", "-o", "early.sdf", "--card-config", "sim.ini",
                      "--stop-after-seconds", "0.2"},
                     folder_)
                  .ExitCode,
              0);
    const CliResult info = RunCli({"info", "early.sdf"}, folder_);
    EXPECT_NE(info.Out.find("Bursts:        0 complete: the file holds no burst"),
              std::string::npos)
        << info.Out;
    const std::string before = Read("early.sdf");
    const CliResult r = Repair("early.sdf");
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_NE(r.Out.find("the header states 3 bursts, the file holds 0 complete; no complete "
                         "burst to state, left as it is"),
              std::string::npos)
        << r.Out;
    EXPECT_EQ(Read("early.sdf"), before);
}

} // namespace
