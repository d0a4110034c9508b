// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliFixture.h"
#include "CliProcess.h"
#include "SdfBytes.h"

#include "data/RecordingLock.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>
#include <thread>

using namespace clitest;

namespace {

class Export : public CliFixture {
protected:
    void RecordRamp(const std::string& name, std::vector<std::string> more = {}) {
        WriteRampCard("sim.ini");
        Apm apm;
        apm.DataNum = "40";
        apm.Iteration = "3";
        WriteApm("run.apm", apm);
        std::vector<std::string> args = {"record", "run.apm",       "-o",
                                         name,     "--card-config", "sim.ini"};
        args.insert(args.end(), more.begin(), more.end());
        ASSERT_EQ(RunCli(args, folder_).ExitCode, 0);
    }
};

TEST_F(Export, CsvHasTheHeadingRowAndOneRowPerTimeStep) {
    RecordRamp("a.sdf");
    const CliResult r = RunCli({"export", "a.sdf", "-o", "a.csv"}, folder_);
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Err, "");
    const std::vector<std::string> rows = Lines(Read("a.csv"));
    ASSERT_EQ(rows.size(), 1u + 3 * 40);
    EXPECT_EQ(rows[0], "burst,time_s,In1 [mV],In2 [mV]");
    EXPECT_EQ(rows[1],
              "1,0," + std::to_string(RampSample(0, 0)) + "," + std::to_string(RampSample(0, 1)));
    EXPECT_EQ(rows[1 + 40 + 7], "2,0.007," + std::to_string(RampSample(7, 0)) + "," +
                                    std::to_string(RampSample(7, 1)));
    EXPECT_EQ(rows.back().substr(0, 8), "3,0.039,");
}

TEST_F(Export, TsdEqualsWhatTheRecorderWritesForTheSameSamples) {
    RecordRamp("a.sdf", {"--stop-in-burst", "2:5"});
    const CliResult r = RunCli({"export", "a.sdf", "-o", "a.tsd"}, folder_);
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const std::vector<std::string> lines = Lines(Read("a.tsd"));
    ASSERT_EQ(lines.size(), 12u + 2 * 41);
    EXPECT_EQ(lines[0], "Time Series Data Text Format Ver.2");
    EXPECT_EQ(lines[4], "2");
    EXPECT_EQ(lines[12], "No.1");
    EXPECT_EQ(lines[13], std::to_string(RampSample(0, 0)) + "," + std::to_string(RampSample(0, 1)));
    EXPECT_EQ(lines[53], "No.2");
    EXPECT_EQ(lines.back(), "=,=") << "missing samples of the stopped burst";

    ASSERT_EQ(RunCli({"export", "a.sdf", "-o", "a.csv"}, folder_).ExitCode, 0);
    EXPECT_EQ(Lines(Read("a.csv")).back(), "2,0.039,,");
}

TEST_F(Export, OldLayoutsConvertWithoutChangingTheFile) {
    SdfSpec spec;
    spec.Version = '2';
    spec.ChNum = 2;
    spec.DataNum = 3;
    spec.Iteration = 2;
    spec.SInterval = 10;
    spec.SITUnit = 0; // usec
    spec.Rows = {{"x,y", "V", 0.5f, 1.0f}, {"\"q\"", "mV", 1.0f, 0.0f}};
    const std::string bytes = SdfHeader(spec) + SdfBlock(spec, {3, 32767, -32768, 4, 5, 6}) +
                              SdfBlock(spec, {1, 1, 1, 1, 1, 1});
    Write("old.sdf", bytes);
    const CliResult r = RunCli({"export", "old.sdf", "-o", "old.csv"}, folder_);
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const std::vector<std::string> rows = Lines(Read("old.csv"));
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[0], "burst,time_s,\"x,y [V]\",\"\"\"q\"\" [mV]\"");
    EXPECT_EQ(rows[1], "1,0,2.5,") << "32767 marks a missing sample in old layouts";
    // -32768 marks a missing sample once converted, as the upgrade leaves it.
    EXPECT_EQ(rows[2], "1,0.00001,,4");
    EXPECT_EQ(rows[3], "1,0.00002,3.5,6");
    EXPECT_EQ(Read("old.sdf"), bytes);
    EXPECT_FALSE(Exists("Qr~temp1234!"));
}

TEST_F(Export, AFileHoldingFewerBurstsThanItsHeaderConvertsWhatItHolds) {
    SdfSpec spec;
    spec.Iteration = 3;
    spec.DataNum = 2;
    Write("cut.sdf", SdfHeader(spec) + SdfBlock(spec, {1, 2}) + SdfBlock(spec, {3, 4}) + "x");
    const CliResult r = RunCli({"export", "cut.sdf", "-o", "cut.tsd"}, folder_);
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_NE(r.Err.find("cut.sdf: warning: the header states 3 bursts, the file holds 2"),
              std::string::npos)
        << r.Err;
    const std::vector<std::string> lines = Lines(Read("cut.tsd"));
    ASSERT_EQ(lines.size(), 12u + 2 * 3);
    EXPECT_EQ(lines[4], "2");
    EXPECT_EQ(lines[17], "4");
}

TEST_F(Export, ErrorsLeaveNoOutputAndNeverTouchTheInput) {
    RecordRamp("a.sdf");
    const std::string input = Read("a.sdf");
    Write("plain.txt", "x");
    Write("a.tsd", "Time Series Data Text Format Ver.2\r\n");
    struct Case {
        std::vector<std::string> Args;
        int Status;
        std::string Expected;
    };
    const Case cases[] = {
        {{"export", "a.sdf", "-o", "no/folder/a.csv"}, 1, "no/folder/a.csv: cannot be created"},
        {{"export", "a.sdf", "-o", "plain.txt/a.tsd"}, 1, "plain.txt/a.tsd: "},
        {{"export", "a.sdf", "-o", "./a.sdf.csv"}, 0, ""},
        {{"export", "a.sdf", "-o", "a.sdf"}, 2, "must end in .tsd, .csv, .h5 or .hdf5"},
        {{"export", "a.sdf", "-o", "b.csv", "--compress"}, 2, "--compress applies to an HDF5"},
        {{"export", "a.tsd", "-o", "b.csv"}, 1, "a.tsd: "},
        {{"export", "missing.sdf", "-o", "b.csv"}, 1, "missing.sdf: "},
        {{"export", "a.sdf"}, 2, "needs -o"},
    };
    for (const Case& c : cases) {
        const CliResult r = RunCli(c.Args, folder_);
        EXPECT_EQ(r.ExitCode, c.Status) << r.Err;
        EXPECT_NE(r.Err.find(c.Expected), std::string::npos) << r.Err;
    }
    EXPECT_EQ(Read("a.sdf"), input);
    EXPECT_FALSE(Exists("b.csv"));

    // An SDF file under a .csv name is told by its first bytes; it must not be its own output.
    Write("x.csv", input);
    const CliResult r = RunCli({"export", "x.csv", "-o", "./x.csv"}, folder_);
    EXPECT_EQ(r.ExitCode, 1);
    EXPECT_NE(r.Err.find("x.csv: the output is the input file itself"), std::string::npos) << r.Err;
    EXPECT_EQ(Read("x.csv"), input);
}

} // namespace

namespace {

class ExportOutput : public CliFixture {
protected:
    // A recording large enough that its export is still running when a test stops it.
    void WriteLarge(const std::string& name) {
        SdfSpec spec;
        spec.ChNum = 4;
        spec.DataNum = 100000;
        spec.Iteration = 50;
        spec.Rows.assign(4, {"x", "V", 0.25f, 1.0f});
        std::string bytes = SdfHeader(spec);
        std::vector<std::int16_t> values(4 * 100000);
        for (std::size_t i = 0; i < values.size(); ++i) {
            values[i] = static_cast<std::int16_t>(i % 20000);
        }
        const std::string block = SdfBlock(spec, values);
        for (int k = 0; k < 50; ++k) {
            bytes += block;
        }
        Write(name, bytes);
    }

    // Waits until the export has begun writing its temporary file.
    bool WaitForTemporary(const std::string& output) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < until) {
            for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
                const std::string name = entry.path().filename().string();
                if (name.starts_with("." + output + ".") && entry.file_size() > 0) {
                    return true;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

} // namespace

TEST_F(ExportOutput, AnExistingOutputIsOnlyReplacedWithYesOrOnTheTerminalsYes) {
    SdfSpec spec;
    spec.Iteration = 2;
    Write("a.sdf", SdfHeader(spec) + SdfBlock(spec, {1, 2, 3, 4}) + SdfBlock(spec, {5, 6, 7, 8}));
    for (const char* name : {"a.tsd", "a.csv", "a.h5"}) {
        Write(name, "earlier");
        CliResult r = RunCli({"export", "a.sdf", "-o", name}, folder_);
        EXPECT_EQ(r.ExitCode, 3);
        EXPECT_NE(r.Err.find(std::string(name) + ": the output exists; give --yes to overwrite it"),
                  std::string::npos)
            << r.Err;
        EXPECT_EQ(Read(name), "earlier");
        r = RunCli({"export", "a.sdf", "-o", name, "--yes"}, folder_);
        EXPECT_EQ(r.ExitCode, 0) << r.Err;
        EXPECT_NE(Read(name), "earlier");
    }

    Write("a.csv", "earlier");
    CliProcess no({"export", "a.sdf", "-o", "a.csv"}, folder_, CliProcess::Stdio::Terminal);
    ASSERT_TRUE(no.WaitFor("the output exists; overwrite it? [y/N]", std::chrono::seconds(10)));
    no.Type("n\n");
    EXPECT_EQ(no.Finish().ExitCode, 3);
    EXPECT_EQ(Read("a.csv"), "earlier");

    CliProcess yes({"export", "a.sdf", "-o", "a.csv"}, folder_, CliProcess::Stdio::Terminal);
    ASSERT_TRUE(yes.WaitFor("[y/N]", std::chrono::seconds(10)));
    yes.Type("y\n");
    const CliResult r = yes.Finish();
    EXPECT_EQ(r.ExitCode, 0) << r.Out;
    EXPECT_EQ(Lines(Read("a.csv")).size(), 1u + 2 * 4);
}

TEST_F(ExportOutput, AFileSizeLimitIsAWriteErrorThatLeavesTheEarlierOutput) {
    WriteLarge("big.sdf");
    for (const char* name : {"out.tsd", "out.csv", "out.h5"}) {
        Write(name, "earlier");
        // The tool runs with SIGXFSZ ignored, as it ignores it itself.
        const std::string command = "cd '" + folder_ + "' && ulimit -f 1000 && trap '' XFSZ && '" +
                                    TESSARY_BIN_DIR + "/tessary-cli' export big.sdf -o " + name +
                                    " --yes 2>err.txt";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status)) << name;
        EXPECT_EQ(WEXITSTATUS(status), 1) << name;
        EXPECT_EQ(Read("err.txt"),
                  "tessary-cli: " + std::string(name) + ": cannot be written (File too large)\n");
        EXPECT_EQ(Read(name), "earlier");
    }
    EXPECT_EQ(Names(),
              (std::vector<std::string>{"big.sdf", "err.txt", "out.csv", "out.h5", "out.tsd"}));
}

TEST_F(ExportOutput, ACancelledOrKilledExportLeavesTheEarlierOutput) {
    WriteLarge("big.sdf");
    Write("out.csv", "earlier");
    CliProcess cancelled({"export", "big.sdf", "-o", "out.csv", "--yes"}, folder_);
    ASSERT_TRUE(WaitForTemporary("out.csv"));
    cancelled.Send(SIGTERM);
    CliResult r = cancelled.Finish();
    EXPECT_EQ(r.ExitCode, 3) << r.Err;
    EXPECT_NE(r.Err.find("big.sdf: cancelled; the output is left as it was"), std::string::npos)
        << r.Err;
    EXPECT_EQ(Read("out.csv"), "earlier");
    EXPECT_EQ(Names(), (std::vector<std::string>{"big.sdf", "out.csv"}));

    CliProcess killed({"export", "big.sdf", "-o", "out.csv", "--yes"}, folder_);
    ASSERT_TRUE(WaitForTemporary("out.csv"));
    killed.Send(SIGKILL);
    r = killed.Finish();
    EXPECT_EQ(r.Signal, SIGKILL);
    EXPECT_EQ(Read("out.csv"), "earlier");
}

TEST_F(ExportOutput, ATsdCutOffOrBeingRecordedExportsItsCompleteBursts) {
    WriteRampCard("sim.ini");
    Apm apm;
    apm.DataNum = "20";
    apm.Iteration = "4";
    apm.FileType = 1;
    WriteApm("run.apm", apm);
    ASSERT_EQ(RunCli({"record", "run.apm", "-o", "run.tsd", "--card-config", "sim.ini"}, folder_)
                  .ExitCode,
              0);
    const std::string text = Read("run.tsd");
    // Cut inside the third burst's last line, as a crash leaves it.
    Write("cut.tsd", text.substr(0, text.find("\r\nNo.4\r\n") - 3));
    CliResult r = RunCli({"export", "cut.tsd", "-o", "cut.csv"}, folder_);
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_NE(r.Err.find("cut.tsd: warning: the header states 4 bursts, the file holds 2; "
                         "exporting those"),
              std::string::npos)
        << r.Err;
    const std::vector<std::string> rows = Lines(Read("cut.csv"));
    ASSERT_EQ(rows.size(), 1u + 2 * 20);
    EXPECT_EQ(rows.back(), "2,0.019," + std::to_string(RampSample(19, 0)) + "," +
                               std::to_string(RampSample(19, 1)));

    tessary::RecordingLock lock;
    std::string why;
    ASSERT_EQ(lock.Acquire(Path("cut.tsd"), why), tessary::RecordingLock::Result::Taken) << why;
    r = RunCli({"export", "cut.tsd", "-o", "cut.h5"}, folder_);
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_NE(r.Err.find("cut.tsd: being recorded: exporting the 2 complete bursts it holds now"),
              std::string::npos)
        << r.Err;
}
