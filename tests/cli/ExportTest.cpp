#include "CliFixture.h"
#include "CliProcess.h"
#include "SdfBytes.h"

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
