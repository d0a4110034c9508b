// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliFixture.h"
#include "CliProcess.h"

#include <csignal>

using namespace clitest;

namespace {

constexpr std::size_t HeaderBytes = 512; // up to 8 channels
constexpr std::size_t IterationOffset = 223;

std::int16_t HeaderIteration(const std::string& sdf) {
    return Int16At(sdf, IterationOffset);
}

// Scans of block `k` that hold the ramp, checking that every later scan is marked missing.
std::int32_t RampScansInBlock(const std::string& sdf, int k, int channels, int dataNum) {
    const std::size_t block = HeaderBytes + static_cast<std::size_t>(k * channels * dataNum * 2);
    std::int32_t scans = 0;
    while (scans < dataNum &&
           Int16At(sdf, block + static_cast<std::size_t>(scans * channels * 2)) != -32768) {
        ++scans;
    }
    for (std::int32_t i = 0; i < dataNum; ++i) {
        for (int c = 0; c < channels; ++c) {
            const std::int16_t v =
                Int16At(sdf, block + static_cast<std::size_t>((i * channels + c) * 2));
            EXPECT_EQ(v, i < scans ? RampSample(i, c) : std::int16_t{-32768})
                << "block " << k << " scan " << i << " channel " << c;
        }
    }
    return scans;
}

class Record : public CliFixture {
protected:
    void SetUp() override {
        CliFixture::SetUp();
        WriteRampCard("sim.ini");
    }
    CliResult RecordTo(const std::string& output, std::vector<std::string> more = {}) {
        std::vector<std::string> args = {"record", "run.apm",       "-o",
                                         output,   "--card-config", "sim.ini"};
        args.insert(args.end(), more.begin(), more.end());
        return RunCli(args, folder_);
    }
};

TEST_F(Record, CompletedSdfRunHoldsTheRampInEveryBlockAndPrintsTheStates) {
    WriteApm("run.apm", {});
    const CliResult r = RecordTo("out.sdf");
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, "");
    EXPECT_NE(r.Err.find("1回目の計測\n"), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("2回目の計測待ち\n"), std::string::npos);
    EXPECT_NE(r.Err.find("\n変換終了\n"), std::string::npos);
    EXPECT_EQ(r.Err.find('\r'), std::string::npos) << "no progress bar without a terminal";
    const std::string sdf = Read("out.sdf");
    ASSERT_EQ(sdf.size(), HeaderBytes + 3 * 2 * 50 * 2);
    EXPECT_EQ(HeaderIteration(sdf), 3);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(RampScansInBlock(sdf, k, 2, 50), 50);
    }
}

TEST_F(Record, TypeOverrideWritesTsdAndTheSaveNameIsUsedWithoutOutput) {
    Apm apm;
    apm.Iteration = "2";
    apm.DataNum = "20";
    apm.Channels = 3;
    apm.SaveName = "named.sdf";
    WriteApm("run.apm", apm);
    const CliResult r =
        RunCli({"record", "run.apm", "--type", "tsd", "--card-config", "sim.ini"}, folder_);
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_FALSE(Exists("named.sdf"));
    const std::vector<std::string> lines = Lines(Read("named.tsd"));
    ASSERT_EQ(lines.size(), 12u + 2 * 21);
    EXPECT_EQ(lines[0], "Time Series Data Text Format Ver.2");
    EXPECT_EQ(lines[4], "2");
    EXPECT_EQ(lines[6], "3,0");
    EXPECT_EQ(lines[10], "In1,In2,In3");
    EXPECT_EQ(lines[12], "No.1");
    EXPECT_EQ(lines[33], "No.2");
    for (int i = 0; i < 20; ++i) {
        const std::string expected = std::to_string(RampSample(i, 0)) + "," +
                                     std::to_string(RampSample(i, 1)) + "," +
                                     std::to_string(RampSample(i, 2));
        EXPECT_EQ(lines[static_cast<std::size_t>(34 + i)], expected);
    }
}

TEST_F(Record, StopAfterBurstsLeavesTheBurstsDoneAndACorrectedHeader) {
    Apm apm;
    apm.Iteration = "5";
    apm.BurstInterval = "1";
    WriteApm("run.apm", apm);
    const CliResult r = RecordTo("out.sdf", {"--stop-after-bursts", "2"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_NE(r.Err.find("変換中止"), std::string::npos);
    EXPECT_EQ(r.Err.find("3回目の計測\n"), std::string::npos);
    const std::string sdf = Read("out.sdf");
    ASSERT_EQ(sdf.size(), HeaderBytes + 2 * 200);
    EXPECT_EQ(HeaderIteration(sdf), 2);
    EXPECT_EQ(RampScansInBlock(sdf, 1, 2, 50), 50);
}

TEST_F(Record, StopInBurstWritesTheConvertedScansAndMarksTheRestMissing) {
    Apm apm;
    apm.Iteration = "5";
    apm.DataNum = "300";
    WriteApm("run.apm", apm);
    const CliResult r = RecordTo("out.sdf", {"--stop-in-burst", "2:60"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const std::string sdf = Read("out.sdf");
    ASSERT_EQ(sdf.size(), HeaderBytes + 2 * 2 * 300 * 2);
    EXPECT_EQ(HeaderIteration(sdf), 2);
    EXPECT_EQ(RampScansInBlock(sdf, 0, 2, 300), 300);
    const std::int32_t scans = RampScansInBlock(sdf, 1, 2, 300);
    EXPECT_GE(scans, 60);
    EXPECT_LT(scans, 60 + 32) << "the stop comes within one fetch of the scans asked for";
}

TEST_F(Record, StopAfterSecondsInTheInitialWaitKeepsTheHeaderOnly) {
    Apm apm;
    apm.WaitTime = "30";
    WriteApm("run.apm", apm);
    const CliResult r = RecordTo("out.sdf", {"--stop-after-seconds", "0.3"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_NE(r.Err.find("計測待ち\n変換中止\n"), std::string::npos) << r.Err;
    const std::string sdf = Read("out.sdf");
    EXPECT_EQ(sdf.size(), HeaderBytes);
    EXPECT_EQ(HeaderIteration(sdf), 3);
}

TEST_F(Record, CtrlCWhileWaitingForTheNextBurstFinishesTheFile) {
    Apm apm;
    apm.Iteration = "100";
    apm.BurstInterval = "2";
    apm.FileType = 1;
    WriteApm("run.apm", apm);
    CliProcess run({"record", "run.apm", "-o", "out.tsd", "--card-config", "sim.ini"}, folder_);
    ASSERT_TRUE(run.WaitFor("2回目の計測待ち", std::chrono::seconds(10)));
    run.Send(SIGINT);
    const CliResult r = run.Finish();
    ASSERT_EQ(r.Signal, 0);
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const std::vector<std::string> lines = Lines(Read("out.tsd"));
    ASSERT_EQ(lines.size(), 12u + 51);
    EXPECT_EQ(lines[4], "1") << "the burst count is corrected to the bursts begun";
    EXPECT_FALSE(Exists("out.$$$"));
}

TEST_F(Record, SigtermInsideABurstWritesItWithMissingSamples) {
    Apm apm;
    apm.Iteration = "2";
    apm.DataNum = "3000";
    WriteApm("run.apm", apm);
    CliProcess run({"record", "run.apm", "-o", "out.sdf", "--card-config", "sim.ini"}, folder_);
    ASSERT_TRUE(run.WaitFor("1回目の計測", std::chrono::seconds(10)));
    run.Send(SIGTERM);
    const CliResult r = run.Finish();
    ASSERT_EQ(r.Signal, 0);
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const std::string sdf = Read("out.sdf");
    EXPECT_EQ(HeaderIteration(sdf), 1);
    ASSERT_EQ(sdf.size(), HeaderBytes + 2 * 3000 * 2);
    EXPECT_LT(RampScansInBlock(sdf, 0, 2, 3000), 3000);
}

TEST_F(Record, ErrorsAreOneLineNamingTheFileWithAFailureStatus) {
    WriteApm("run.apm", {});
    Write("plain.txt", "x");
    struct Case {
        std::vector<std::string> Args;
        std::string Expected;
    };
    const Case cases[] = {
        {{"record", "none.apm", "-o", "a.sdf"}, "none.apm: cannot be opened"},
        {{"record", "run.apm", "-o", "no/such/folder/a.sdf", "--card-config", "sim.ini"},
         "no/such/folder/a.sdf: no/such/folder/a.sdf に書き込めません"},
        {{"record", "run.apm", "-o", "plain.txt/a.sdf", "--card-config", "sim.ini"},
         "plain.txt/a.sdf に書き込めません"},
        {{"record", "run.apm", "-o", "a.sdf", "--card-config", "none.ini"}, "none.ini: cannot"},
    };
    for (const Case& c : cases) {
        const CliResult r = RunCli(c.Args, folder_);
        EXPECT_EQ(r.ExitCode, 1) << r.Err;
        EXPECT_EQ(r.Err.rfind("tessary-cli: ", 0), 0u) << r.Err;
        EXPECT_NE(r.Err.find(c.Expected), std::string::npos) << r.Err;
        EXPECT_EQ(r.Err.find('\n'), r.Err.size() - 1) << "one line: " << r.Err;
    }
    EXPECT_FALSE(Exists("a.sdf"));
}

TEST_F(Record, SettingsAndCardFailuresUseTheProgramsTexts) {
    Apm bad;
    bad.SInterval = "0.5";
    WriteApm("bad.apm", bad);
    CliResult r = RunCli({"record", "bad.apm", "-o", "a.sdf", "--card-config", "sim.ini"}, folder_);
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find("バースト／サンプリング時間間隔は整数で設定して下さい。"),
              std::string::npos)
        << r.Err;
    EXPECT_FALSE(Exists("a.sdf"));

    WriteApm("run.apm", {});
    WriteRampCard("absent.ini", "Present=0");
    r = RunCli({"record", "run.apm", "-o", "a.sdf", "--card-config", "absent.ini"}, folder_);
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find("AD変換カードが入っていません。"), std::string::npos) << r.Err;

    WriteRampCard("failing.ini", "FailStep=3");
    r = RunCli({"record", "run.apm", "-o", "a.sdf", "--card-config", "failing.ini"}, folder_);
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find("サンプリング周期設定エラー"), std::string::npos) << r.Err;
}

// --card sigrok:demo records from libsigrok's demo device: its A0 square, 10 V, in mV.
TEST_F(Record, ASigrokDeviceRecordsItsReadingsInThousandthsOfItsUnit) {
    Apm apm;
    apm.Iteration = "1";
    apm.SInterval = "10";
    apm.SamplingUnit = 2; // usec
    apm.DataNum = "100";
    apm.Channels = 1;
    WriteApm("run.apm", apm);
    Write("demo.ini", "[Ch1]\nOptions=pattern=square\n");
    const CliResult r = RunCli({"record", "run.apm", "-o", "demo.sdf", "--card", "sigrok:demo",
                                "--card-config", "demo.ini"},
                               folder_);
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_NE(r.Err.find("変換終了[100]"), std::string::npos) << r.Err;
    const std::string sdf = Read("demo.sdf");
    ASSERT_EQ(sdf.size(), HeaderBytes + 100 * 2);
    for (std::size_t i = 0; i < 100; ++i) {
        EXPECT_EQ(Int16At(sdf, HeaderBytes + 2 * i), i % 10 < 5 ? -10000 : 10000) << i;
    }
}

// A device that is not found, or one whose option does not read, is one line naming it.
TEST_F(Record, ASigrokDeviceThatIsNotThereOrWronglyNamedIsAClearError) {
    WriteApm("run.apm", {});
    CliResult r =
        RunCli({"record", "run.apm", "-o", "a.sdf", "--card", "sigrok:hantek-6xxx"}, folder_);
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_EQ(r.Err, "tessary-cli: sigrok:hantek-6xxx: AD変換カードが入っていません。 "
                     "sigrok:hantek-6xxx が見つかりません。\n");
    EXPECT_FALSE(Exists("a.sdf"));

    Write("bad.ini", "[Ch1]\nOptions=pattern\n");
    r = RunCli(
        {"record", "run.apm", "-o", "a.sdf", "--card", "sigrok:demo", "--card-config", "bad.ini"},
        folder_);
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find("bad.ini: [Ch1] Options = 'pattern' is not KEY=VALUE"), std::string::npos)
        << r.Err;

    for (const char* name : {"sigrok", "sigrok:demo:conn", "usb:demo"}) {
        r = RunCli({"record", "run.apm", "--card", name}, folder_);
        EXPECT_EQ(r.ExitCode, 2) << name;
        EXPECT_NE(r.Err.find("--card: \"" + std::string(name) + "\" is "), std::string::npos)
            << r.Err;
    }
}

TEST_F(Record, AnOverflowIsAnError) {
    Apm apm;
    apm.SInterval = "10";
    apm.SamplingUnit = 2; // usec
    apm.DataNum = "20000";
    WriteApm("run.apm", apm);
    WriteRampCard("small.ini", "RingBufferWords=8");
    const CliResult r =
        RunCli({"record", "run.apm", "-o", "a.sdf", "--card-config", "small.ini"}, folder_);
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find("リングバッファオーバーフロー"), std::string::npos) << r.Err;
}

TEST_F(Record, WrongOptionsAreUsageErrors) {
    WriteApm("run.apm", {});
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"record"},
             {"record", "run.apm", "--stop-in-burst", "2"},
             {"record", "run.apm", "--stop-in-burst", "0:5"},
             {"record", "run.apm", "--stop-in-burst", "1:50"}, // not below DataNum 50
             {"record", "run.apm", "--stop-after-seconds", "-1"},
             {"record", "run.apm", "--stop-after-bursts", "x"},
             {"record", "run.apm", "--type", "csv"},
             {"record", "run.apm", "--frobnicate"},
             {"record", "run.apm", "-o"},
         }) {
        const CliResult r = RunCli(args, folder_);
        EXPECT_EQ(r.ExitCode, 2) << args.back() << ": " << r.Err;
        EXPECT_NE(r.Err.find("--help"), std::string::npos);
    }
}

TEST_F(Record, AnExistingFileIsOverwrittenOnlyWhenAgreed) {
    WriteApm("run.apm", {});
    Write("out.sdf", "precious");
    CliResult r = RecordTo("out.sdf");
    EXPECT_EQ(r.ExitCode, 3) << r.Err;
    EXPECT_NE(r.Err.find("--yes"), std::string::npos);
    EXPECT_EQ(Read("out.sdf"), "precious");

    CliProcess terminal({"record", "run.apm", "-o", "out.sdf", "--card-config", "sim.ini"}, folder_,
                        CliProcess::Stdio::Terminal);
    ASSERT_TRUE(terminal.WaitFor("上書きしてよろしいですか。 [y/N]", std::chrono::seconds(10)));
    terminal.Type("y\n");
    r = terminal.Finish();
    ASSERT_EQ(r.ExitCode, 0) << r.Out;
    EXPECT_NE(r.Out.find(" %"), std::string::npos) << "a progress bar on a terminal";
    EXPECT_EQ(Read("out.sdf").size(), HeaderBytes + 3 * 200);
}

} // namespace
