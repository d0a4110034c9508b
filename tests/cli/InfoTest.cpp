// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliFixture.h"
#include "CliProcess.h"
#include "SdfBytes.h"

#include <cmath>
#include <limits>
#include <random>

using namespace clitest;

namespace {

class Info : public CliFixture {
protected:
    CliResult InfoOf(const std::string& name, bool json = true) {
        std::vector<std::string> args = {"info", name};
        if (json) {
            args.push_back("--json");
        }
        return RunCli(args, folder_);
    }
    void ExpectIn(const std::string& text, const std::string& part) {
        EXPECT_NE(text.find(part), std::string::npos) << "missing " << part << " in " << text;
    }
};

TEST_F(Info, ARecordingIsDescribedByEveryField) {
    WriteRampCard("sim.ini");
    WriteApm("run.apm", {});
    ASSERT_EQ(
        RunCli({"record", "run.apm", "-o", "a.sdf", "--card-config", "sim.ini"}, folder_).ExitCode,
        0);
    CliResult r = InfoOf("a.sdf");
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Err, "");
    // The memo is the whole 160-byte field as the reader gives it, padding included.
    ExpectIn(r.Out, "{\"format\":\"SDF\",\"version\":4,\"Memo\":\"ramp" + std::string(156, ' ') +
                        "\",\"ChNum\":2,"
                        "\"BurstValueNum\":0,\"DataNum\":50,\"SInterval\":1,\"SITUnit\":\"msec\","
                        "\"Iteration\":3,\"BInterval\":0,\"BITUnit\":\"sec\",\"StartTime\":4");
    ExpectIn(r.Out, "\"Channels\":[{\"Item\":\"In1\",\"Unit\":\"mV\",\"A\":1,\"B\":0},"
                    "{\"Item\":\"In2\",\"Unit\":\"mV\",\"A\":1,\"B\":0}],"
                    "\"BlockBytes\":200,\"HeaderBlocks\":2,\"BlocksPresent\":3,"
                    "\"CompleteBursts\":3,\"CutOff\":false,\"BeingRecorded\":false}\n");

    r = InfoOf("a.sdf", false);
    ASSERT_EQ(r.ExitCode, 0);
    ExpectIn(r.Out, "Format:        SDF version 4\n");
    ExpectIn(r.Out, "SInterval:     1 msec\n");
    ExpectIn(r.Out, "BlocksPresent: 3\nBursts:        3 complete\n");
    ExpectIn(r.Out, "  2    In2               mV        1               0\n");

    ASSERT_EQ(
        RunCli({"record", "run.apm", "-o", "a.tsd", "--type", "tsd", "--card-config", "sim.ini"},
               folder_)
            .ExitCode,
        0);
    r = InfoOf("a.tsd");
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    ExpectIn(r.Out, "{\"format\":\"TSD\",\"version\":2,\"Memo\":\"ramp\",\"ChNum\":2,");
    EXPECT_EQ(r.Out.find("BlockBytes"), std::string::npos);
}

TEST_F(Info, OldLayoutsAreReportedAsTheyAreAndNeverConverted) {
    SdfSpec v1;
    v1.Version = '1';
    v1.SInterval = 1500;
    v1.BInterval = 3600000;
    v1.Iteration = 2;
    v1.DataNum = 3;
    const std::string v1Bytes = SdfHeader(v1) + SdfBlock(v1, {1, 2, 3}) + SdfBlock(v1, {4, 5, 6});
    Write("v1.sdf", v1Bytes);
    CliResult r = InfoOf("v1.sdf");
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    ExpectIn(r.Out, "\"version\":1,");
    ExpectIn(r.Out, "\"SInterval\":1500,\"SITUnit\":\"msec\",\"Iteration\":2,"
                    "\"BInterval\":3600000,\"BITUnit\":\"msec\"");
    ExpectIn(r.Out, "\"BlocksPresent\":2,\"CompleteBursts\":2,\"CutOff\":false");
    EXPECT_EQ(Read("v1.sdf"), v1Bytes);
    EXPECT_FALSE(HasConversionLeftovers());

    // 3 channels of 100 data: 300 values in 3 sectors of 256 bytes per block; the last
    // block counts once its 600 bytes of values are there.
    SdfSpec v2;
    v2.Version = '2';
    v2.ChNum = 3;
    v2.DataNum = 100;
    v2.Iteration = 3;
    v2.Rows = {{"a", "V"}, {"b", "V"}, {"c", "V"}};
    const std::string block = SdfBlock(v2, std::vector<std::int16_t>(300, 7));
    ASSERT_EQ(block.size(), 768u);
    const std::string whole = SdfHeader(v2) + block + block + block.substr(0, 600);
    Write("v2.sdf", whole);
    r = InfoOf("v2.sdf");
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    ExpectIn(r.Out, "\"version\":2,");
    ExpectIn(r.Out, "\"BlockBytes\":600,\"HeaderBlocks\":2,\"BlocksPresent\":3,"
                    "\"CompleteBursts\":3,\"CutOff\":false");
    Write("v2.sdf", whole.substr(0, whole.size() - 1));
    ExpectIn(InfoOf("v2.sdf").Out, "\"BlocksPresent\":2,\"CompleteBursts\":2,\"CutOff\":true");
}

TEST_F(Info, TextsAreConvertedAndEscapedForJson) {
    SdfSpec spec;
    spec.Memo = std::string("q\"b\\s\rt\tc\x01 \x91\xaa\x92\xe8"); // ... 測定 in CP932
    spec.Rows = {{"\xb6\xc0", "\x81\x8e", 0.1f, std::numeric_limits<float>::quiet_NaN()}};
    Write("t.sdf", SdfHeader(spec));
    const CliResult r = InfoOf("t.sdf");
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    ExpectIn(r.Out, "\"Memo\":\"q\\\"b\\\\s\\rt\\tc\\u0001 測定      ");
    ExpectIn(r.Out, "{\"Item\":\"ｶﾀ\",\"Unit\":\"℃\",\"A\":0.1,\"B\":null}");
    ExpectIn(r.Out, "\"StartTimeText\":\"2023/03/15 12:00:00 000\"");
    ExpectIn(r.Out, "\"BlocksPresent\":0,\"CompleteBursts\":0,\"CutOff\":true,"
                    "\"BeingRecorded\":false}");
}

TEST_F(Info, MalformedFilesGiveOneErrorLineAndNeverASignal) {
    SdfSpec spec;
    const std::string good = SdfHeader(spec);
    auto with = [&good](std::size_t offset, std::string bytes) {
        std::string file = good;
        file.replace(offset, bytes.size(), bytes);
        return file;
    };
    const std::pair<std::string, std::string> files[] = {
        {"", "フォーマットが違います。"},
        {"hello", "フォーマットが違います。"},
        {with(40, "x"), "version character"},
        {with(40, "7"), "フォーマットが違います。"},
        {good.substr(0, 230), "ends"},
        {with(210, std::string("\xc8\x00", 2)), "129 rows"},         // ChNum 200
        {with(214, std::string("\xff\xff\xff\xff", 4)), "negative"}, // DataNum -1
        {with(222, std::string("\x09", 1)), "unit"},                 // SITUnit 9
        {with(214, std::string("\xff\xff\xff\x7f", 4)), "data"},     // 2^31 - 1 data
    };
    int n = 0;
    for (const auto& [bytes, expected] : files) {
        const std::string name = "bad" + std::to_string(n++) + ".sdf";
        Write(name, bytes);
        const CliResult r = InfoOf(name);
        EXPECT_EQ(r.Signal, 0);
        EXPECT_EQ(r.ExitCode, 1) << name << ": " << r.Out;
        EXPECT_EQ(r.Out, "");
        EXPECT_EQ(r.Err.rfind("tessary-cli: " + name + ": ", 0), 0u) << r.Err;
        EXPECT_NE(r.Err.find(expected), std::string::npos) << name << ": " << r.Err;
        EXPECT_EQ(r.Err.find('\n'), r.Err.size() - 1) << r.Err;
    }
    Write("short.tsd", "Time Series Data Text Format Ver.2\r\nmemo\r\n2023/03/15 12:00:00\r\n"
                       "1 msec\r\nabc\r\n");
    Write("other.txt", "neither");
    for (const std::string name : {"short.tsd", "other.txt", "missing.sdf"}) {
        const CliResult r = InfoOf(name);
        EXPECT_EQ(r.ExitCode, 1) << name;
        EXPECT_EQ(r.Err.rfind("tessary-cli: " + name + ": ", 0), 0u) << r.Err;
    }
}

TEST_F(Info, ArbitraryBytesAfterTheMagicNeverCrashTheTool) {
    std::mt19937 random(20261208);
    for (int i = 0; i < 40; ++i) {
        std::string bytes = "Standard Burst-Interval Data Format Ver.";
        bytes += static_cast<char>('1' + i % 4);
        const std::size_t length = random() % 1200;
        for (std::size_t k = 0; k < length; ++k) {
            bytes += static_cast<char>(random() & 0xFF);
        }
        Write("r.sdf", bytes);
        const CliResult r = InfoOf("r.sdf");
        EXPECT_EQ(r.Signal, 0) << "case " << i;
        EXPECT_TRUE(r.ExitCode == 0 || r.ExitCode == 1) << "case " << i << ": " << r.Err;
        EXPECT_EQ(Read("r.sdf"), bytes) << "info never changes a file";
    }
}

} // namespace

namespace {

TEST_F(Info, AHeaderPromisingGigabytesTakesNoMoreMemoryThanItsFileDoes) {
    // 512 bytes that state bursts of 2 GB: neither info nor export may take that memory.
    SdfSpec spec;
    spec.DataNum = 1'000'000'000;
    spec.Iteration = 3;
    Write("huge.sdf", SdfHeader(spec));
    CliResult info = InfoOf("huge.sdf");
    EXPECT_EQ(info.ExitCode, 0) << info.Err;
    ExpectIn(info.Out, "\"DataNum\":1000000000");
    EXPECT_LT(info.PeakMemoryKb, 300'000);

    const CliResult exported = RunCli({"export", "huge.sdf", "-o", "huge.csv"}, folder_);
    EXPECT_EQ(exported.ExitCode, 0) << exported.Err;
    EXPECT_NE(exported.Err.find("the file holds 0"), std::string::npos) << exported.Err;
    EXPECT_LT(exported.PeakMemoryKb, 300'000);
}

} // namespace
