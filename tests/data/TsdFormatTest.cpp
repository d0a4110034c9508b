// SPDX-License-Identifier: GPL-3.0-or-later
#include "DataFileTesting.h"

#include "data/DateTime.h"
#include "data/Errors.h"
#include "data/TFrmSDFdata.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <limits>
#include <sys/resource.h>

using namespace tessary;
using namespace tessary::testing;

namespace {

const std::string FormatDiffers = "フォーマットが違います。";

struct TsdFile : ::testing::Test {
    ScratchFolder folder;
    ScriptedDialogs dialogs;
    TFrmSDFdata holder{dialogs};
    MeasurementParameters& r = holder.Record();
    std::string path = folder.File("run.tsd");

    // The example record: one channel, three data, 100 msec, two bursts an hour apart.
    void FillRecord() {
        r.Memo = "memo";
        r.ChNum = 1;
        r.BurstValueNum = 0;
        r.DataNum = 3;
        r.SInterval = 100;
        r.SITUnit = UnitMsec;
        r.Iteration = 2;
        r.BInterval = 1;
        r.BITUnit = UnitHr;
        r.StartTime = EncodeDateTime({2024, 5, 6, 7, 8, 9, 123});
        r.Channels[0] = {"Ch.1", "mV", 1.0f, 0.0f};
        r.AllocateSampleBuffers();
        r.TargetFileName = path;
    }

    void ExpectRefused(const std::string& text, const std::string& value) {
        WriteAll(path, text);
        try {
            holder.ReadTsdHeader(path);
            ADD_FAILURE() << "accepted " << value;
        } catch (const TessaryError& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(value), std::string::npos) << e.what();
        }
    }
};

// A version-2 header with the given lines from line 4 on.
std::string Header(const std::string& rest) {
    return "Time Series Data Text Format Ver.2\r\nmemo\r\n2024/05/06 07:08:09 123\r\n" + rest;
}

} // namespace

TEST_F(TsdFile, HeaderAndBlockLinesOfTheExampleRecord) {
    FillRecord();
    r.Samples[0] = {1, -2, 30000};
    ASSERT_TRUE(holder.WriteTsdHeader(path));
    ASSERT_TRUE(holder.WriteTsdBlock(0));
    EXPECT_EQ(ReadAll(path), "Time Series Data Text Format Ver.2\r\n"
                             "memo\r\n"
                             "2024/05/06 07:08:09 123\r\n"
                             "100 msec\r\n"
                             "2\r\n"
                             "1 hr\r\n"
                             "1,0\r\n"
                             "3\r\n"
                             "1\r\n"
                             "0\r\n"
                             "Ch.1\r\n"
                             "mV\r\n"
                             "No.1\r\n"
                             "1\r\n"
                             "-2\r\n"
                             "30000\r\n");

    // Writing the header again empties the file.
    r.Memo.clear();
    ASSERT_TRUE(holder.WriteTsdHeader(path));
    const std::string text = ReadAll(path);
    EXPECT_EQ(text.substr(0, 38), "Time Series Data Text Format Ver.2\r\n\r\n");
    EXPECT_EQ(text.substr(text.size() - 4), "mV\r\n");
}

TEST_F(TsdFile, ValuesHaveSevenDigitsAndMissingSamplesAreEqualsSigns) {
    FillRecord();
    r.ChNum = 3;
    r.BurstValueNum = 2;
    r.Channels[0] = {"a", "V", 0.5f, 1.0f};
    r.Channels[1] = {"b", "V", 0.1f, 0.0f};
    r.Channels[2] = {"c", "V", 1000.0f, 0.0f};
    r.Channels[3] = {"d", "V", 1.0f / 3.0f, 0.0f};
    r.Channels[4] = {"e", "V", 2.0f, -1.0f};
    r.AllocateSampleBuffers();
    r.Samples[0] = {12, -5, ErrorValue};
    r.Samples[1] = {3, 1, 0};
    r.Samples[2] = {12345, -32767, 32767};
    r.BurstValues = {1, ErrorValue};
    ASSERT_TRUE(holder.WriteTsdHeader(path));
    const std::size_t headerBytes = ReadAll(path).size();
    ASSERT_TRUE(holder.WriteTsdBlock(6));
    EXPECT_EQ(ReadAll(path).substr(headerBytes), "No.7\r\n"
                                                 "7,0.3,1.2345E7\r\n"
                                                 "-1.5,0.1,-3.2767E7\r\n"
                                                 "=,0,3.2767E7\r\n"
                                                 "0.3333333,=\r\n");
    EXPECT_NE(ReadAll(path).find("\r\n0.5,0.1,1000,0.3333333,2\r\n1,0,0,0,-1\r\n"),
              std::string::npos);
}

TEST_F(TsdFile, BlockWriterAppendsOnlyToAnExistingFileWithMatchingBuffers) {
    FillRecord();
    EXPECT_FALSE(holder.WriteTsdBlock(0));
    EXPECT_FALSE(std::filesystem::exists(path));
    ASSERT_TRUE(holder.WriteTsdHeader(path));
    const std::string header = ReadAll(path);
    r.DataNum = 4; // buffers hold 3
    EXPECT_FALSE(holder.WriteTsdBlock(0));
    r.DataNum = 3;
    r.BurstValueNum = 1; // BurstValues is empty
    EXPECT_FALSE(holder.WriteTsdBlock(0));
    EXPECT_EQ(ReadAll(path), header);
}

TEST_F(TsdFile, MemoLinesJoinWithCarriageReturns) {
    FillRecord();
    r.Memo = "first\r\nsecond";
    ASSERT_TRUE(holder.WriteTsdHeader(path));
    EXPECT_NE(ReadAll(path).find("\r\nfirst\r\nsecond\r\n2024/05/06"), std::string::npos);
    ASSERT_TRUE(holder.ReadTsdHeader(path));
    EXPECT_EQ(r.Memo, "first\rsecond");

    // A memo joined with CR is written with a lone CR and reads back the same.
    ASSERT_TRUE(holder.WriteTsdHeader(path));
    ASSERT_TRUE(holder.ReadTsdHeader(path));
    EXPECT_EQ(r.Memo, "first\rsecond");

    // Quotes come off each memo line; a line that reads as a time ends the memo.
    WriteAll(path, "Time Series Data Text Format Ver.2\r\n'one'\r\n'two\r\n12:30\r\n"
                   "100 msec\r\n2\r\n1 hr\r\n1,0\r\n3\r\n1\r\n0\r\nCh.1\r\nmV\r\n");
    ASSERT_TRUE(holder.ReadTsdHeader(path));
    EXPECT_EQ(r.Memo, "one\rtwo");
    EXPECT_DOUBLE_EQ(r.StartTime, 12.5 / 24);

    // A long memo is cut to 160 bytes, however many lines it takes.
    std::string lines;
    for (int i = 0; i < 100; ++i) {
        lines += "0123456789\n";
    }
    WriteAll(path, "Time Series Data Text Format Ver.2\n" + lines +
                       "2024/05/06 07:08:09\n100 msec\n2\n1 hr\n1,0\n3\n1\n0\nCh.1\nmV\n");
    ASSERT_TRUE(holder.ReadTsdHeader(path));
    EXPECT_EQ(r.Memo.size(), 160u);
    EXPECT_EQ(r.Memo.substr(0, 22), "0123456789\r0123456789\r");
}

TEST_F(TsdFile, RoundTripGivesTheSameRecordBarTheMilliseconds) {
    FillRecord();
    r.ChNum = 2;
    r.BurstValueNum = 1;
    r.Channels[1] = {"温度", "℃", 0.25f, -40.0f};
    r.Channels[2] = {"x", "", 1e-6f, 3.4e38f};
    const MeasurementParameters written = r;
    ASSERT_TRUE(holder.WriteTsdHeader(path));
    r = MeasurementParameters{};
    ASSERT_TRUE(holder.ReadTsdHeader(path));
    EXPECT_EQ(r.Memo, written.Memo);
    EXPECT_EQ(r.ChNum, 2);
    EXPECT_EQ(r.BurstValueNum, 1);
    EXPECT_EQ(r.DataNum, 3);
    EXPECT_EQ(r.SInterval, 100);
    EXPECT_EQ(r.SITUnit, UnitMsec);
    EXPECT_EQ(r.Iteration, 2);
    EXPECT_EQ(r.BInterval, 1);
    EXPECT_EQ(r.BITUnit, UnitHr);
    EXPECT_DOUBLE_EQ(r.StartTime, EncodeDateTime({2024, 5, 6, 7, 8, 9, 0}));
    for (int row = 0; row < 3; ++row) {
        const auto& got = r.Channels[static_cast<std::size_t>(row)];
        const auto& want = written.Channels[static_cast<std::size_t>(row)];
        EXPECT_EQ(got.Item, want.Item);
        EXPECT_EQ(got.Unit, want.Unit);
        EXPECT_FLOAT_EQ(got.A, want.A);
        EXPECT_FLOAT_EQ(got.B, want.B);
    }
    EXPECT_EQ(r.Samples[1].size(), 3u);
    EXPECT_EQ(r.BurstValues.size(), 1u);
}

TEST_F(TsdFile, VersionOneHeaderIsOneBurstInMilliseconds) {
    WriteAll(path,
             "Time Series Data Text Format Ver.1\r\nold\r\n2001/02/03 04:05:06\r\n10\r\n999\r\n"
             "1,2,3,4\r\n0,0,0,0\r\n'A',B,C,D\r\nV,V,V,'mV'\r\n1,2,3,4\r\n");
    r.BurstValueNum = 3;
    ASSERT_TRUE(holder.ReadTsdHeader(path));
    EXPECT_EQ(r.Memo, "old");
    EXPECT_EQ(r.ChNum, 4);
    EXPECT_EQ(r.BurstValueNum, 0);
    EXPECT_EQ(r.Iteration, 1);
    EXPECT_EQ(r.SInterval, 10);
    EXPECT_EQ(r.SITUnit, UnitMsec);
    EXPECT_EQ(r.DataNum, 999);
    EXPECT_EQ(r.BInterval, 10); // normalised: 1000 × 10 ms
    EXPECT_EQ(r.BITUnit, UnitSec);
    EXPECT_EQ(r.Channels[0].Item, "A");
    EXPECT_EQ(r.Channels[3].A, 4.0f);
    EXPECT_EQ(r.Channels[3].Unit, "mV");
}

TEST_F(TsdFile, ListsSplitAtEveryCommaAndShortListsTakeEarlierItems) {
    WriteAll(path, Header("100 msec\r\n2\r\n1 hr\r\n3,0\r\n3\r\n1,2,3\r\n5\r\n"
                          "'Ch,1'\r\nmV,V,A\r\n"));
    ASSERT_TRUE(holder.ReadTsdHeader(path));
    EXPECT_EQ(r.Channels[0].B, 5.0f);
    EXPECT_EQ(r.Channels[1].B, 2.0f); // position 1 of the A line
    EXPECT_EQ(r.Channels[0].Item, "Ch");
    EXPECT_EQ(r.Channels[1].Item, "1");
    EXPECT_EQ(r.Channels[2].Item, "3"); // position 2 of the A line, kept through the B line
    EXPECT_EQ(r.Channels[2].Unit, "A");

    EXPECT_EQ(StripQuotes("'Ch.1'"), "Ch.1");
    EXPECT_EQ(StripQuotes("'"), "");
    EXPECT_EQ(StripQuotes("''x''"), "'x'");
    EXPECT_EQ(StripQuotes("a'b"), "a'b");
    EXPECT_EQ(SplitCommaList(""), std::vector<std::string>{""});
    EXPECT_EQ(SplitCommaList("a,,b,"), (std::vector<std::string>{"a", "", "b", ""}));
    EXPECT_EQ(SplitCommaList(" a , b"), (std::vector<std::string>{" a ", " b"}));
    std::string many;
    for (int i = 0; i < 140; ++i) {
        many += std::to_string(i) + ",";
    }
    const auto items = SplitCommaList(many);
    ASSERT_EQ(items.size(), 129u);
    EXPECT_EQ(items[128], "128");
}

TEST_F(TsdFile, ForeignFilesAndOtherVersionsShowTheFormatBox) {
    r.Memo = "kept";
    for (const std::string text :
         {"Standard Burst-Interval Data Format Ver.4", "", "Time Series Data Text Format Ver.3\r\n",
          "Time Series Data Text Format Ver.0\r\nm\r\n12:00:00\r\n"}) {
        WriteAll(path, text);
        dialogs.Shown.clear();
        EXPECT_FALSE(holder.ReadTsdHeader(path)) << text;
        ASSERT_EQ(dialogs.Shown.size(), 1u);
        EXPECT_EQ(dialogs.Shown[0].Kind, MessageKind::Error);
        EXPECT_EQ(dialogs.Shown[0].Buttons, MessageButtons::Ok);
        EXPECT_EQ(dialogs.Shown[0].Text, FormatDiffers);
    }
    WriteAll(path, "Time Series Data Text Format Ver.\r\n");
    EXPECT_THROW(holder.ReadTsdHeader(path), ConversionError);
    EXPECT_THROW(holder.ReadTsdHeader(folder.File("missing.tsd")), InOutError);
}

TEST_F(TsdFile, LinesThatDoNotConvertNameTheFileAndTheText) {
    ExpectRefused(Header("100 msec\r\nmany\r\n"), "'many'");
    ExpectRefused(Header("100msec\r\n"), "''");
    ExpectRefused(Header("100 msec\r\n2\r\n1 hr\r\n1\r\n"), "'1'");
    ExpectRefused(Header("100 msec\r\n2\r\n1 hr\r\n2,0\r\n3\r\n1\r\n"), "lists 1 values");
    ExpectRefused(Header("100 msec\r\n2\r\n1 hr\r\n1,0\r\n3\r\n1e\r\n"), "'1e'");
    ExpectRefused(Header("100 msec\r\n2\r\n1 hr\r\n1,0\r\n3\r\n1\r\n0x10\r\n"), "'0x10'");
    ExpectRefused(Header("100 msec\r\n2\r\n1 hr\r\n1,0\r\n3\r\n1\r\n"), "''"); // ends
    ExpectRefused(Header("100 msec\r\n2\r\n1 hr\r\n1,0\r\n3\r\n1e39\r\n"), "'1e39'");
    ExpectRefused(Header("100 msec\r\n2\r\n1 hours\r\n"), "'1 hours'");
    ExpectRefused(Header("100 msec\r\n2\r\n1 hr\r\n100,30\r\n"), "100 channels");
    ExpectRefused(Header("100 msec\r\n2\r\n1 hr\r\n-1,0\r\n"), "-1 channels");
    ExpectRefused(Header("100 msec\r\n2\r\n1 hr\r\n1,0\r\n-3\r\n"), "(-3)");
    ExpectRefused(Header("100 msec\r\n40000\r\n"), "40000");
    EXPECT_NE(r.SITUnit, NoTimeUnit);
    EXPECT_NE(r.BITUnit, NoTimeUnit);

    // A single burst in years has no larger unit to normalise into: its interval stays.
    WriteAll(path, Header("1 yr\r\n1\r\n0 sec\r\n1,0\r\n3\r\n1\r\n0\r\nx\r\nV\r\n"));
    ASSERT_TRUE(holder.ReadTsdHeader(path));
    EXPECT_EQ(r.BInterval, 0);
    EXPECT_EQ(r.BITUnit, UnitSec);
    std::string longLine(70000, '1');
    ExpectRefused(Header(longLine + "\r\n"), "longer than 65536");
}

TEST_F(TsdFile, LineEndsMayBeCrLfLfOrCr) {
    for (const std::string end : {"\r\n", "\n", "\r"}) {
        std::string text;
        for (const char* line : {"Time Series Data Text Format Ver.2", "m", "2024/05/06 07:08:09",
                                 "5 sec", "3", "1 min", "2,0", "10", "1,2", "0,0", "a,b", "V,V"}) {
            text += std::string(line) + end;
        }
        WriteAll(path, text);
        ASSERT_TRUE(holder.ReadTsdHeader(path));
        EXPECT_EQ(r.Memo, "m");
        EXPECT_EQ(r.ChNum, 2);
        EXPECT_EQ(r.DataNum, 10);
        EXPECT_EQ(r.Channels[1].Unit, "V");
    }
}

TEST_F(TsdFile, WritersReturnFalseAndKeepTheDiskAsItWas) {
    FillRecord();
    EXPECT_FALSE(holder.WriteTsdHeader(folder.File("gone/run.tsd")));
    WriteAll(folder.File("plain"), "x");
    EXPECT_FALSE(holder.WriteTsdHeader(folder.File("plain") + "/run.tsd"));
    EXPECT_FALSE(holder.WriteTsdHeader("/dev/full"));
    r.TargetFileName = "/dev/full";
    EXPECT_FALSE(holder.WriteTsdBlock(0));
    r.TargetFileName = "/proc/version";
    EXPECT_FALSE(holder.WriteTsdBlock(0));

    // A disk that fills up inside the block: the file is cut back to its header.
    r.TargetFileName = path;
    ASSERT_TRUE(holder.WriteTsdHeader(path));
    const std::string header = ReadAll(path);
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = header.size() + 8;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = holder.WriteTsdBlock(0);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadAll(path), header);
}

// What the writer writes for values a damaged recording can hold reads back: coefficients
// that are no finite number, start times before year 1 and after 9999, a table of per-burst
// values without a channel.
TEST_F(TsdFile, TheWritersOwnSpellingsReadBack) {
    r.ChNum = 0;
    r.BurstValueNum = 2;
    r.Channels[0] = {"v1", "V", std::numeric_limits<float>::quiet_NaN(),
                     -std::numeric_limits<float>::infinity()};
    r.Channels[1] = {"v2", "V", std::numeric_limits<float>::infinity(), 2.5f};
    for (const double start : {-693600.25, -694000.0, 2958470.5, 0.75}) {
        r.StartTime = start;
        ASSERT_TRUE(holder.WriteTsdHeader(path));
        TFrmSDFdata back(dialogs);
        ASSERT_TRUE(back.ReadTsdHeader(path)) << FormatDateTimeMs(start);
        const MeasurementParameters& got = back.Record();
        EXPECT_EQ(FormatDateTime(got.StartTime), FormatDateTime(start));
        EXPECT_EQ(got.ChNum, 0);
        EXPECT_EQ(got.BurstValueNum, 2);
        EXPECT_TRUE(std::isnan(got.Channels[0].A));
        EXPECT_EQ(got.Channels[0].B, -std::numeric_limits<float>::infinity());
        EXPECT_EQ(got.Channels[1].A, std::numeric_limits<float>::infinity());
        EXPECT_EQ(got.Channels[1].Item, "v2");
    }
    EXPECT_EQ(FormatDateTimeMs(-694000.0).substr(0, 11), "-001/11/21 ");
    EXPECT_EQ(FormatDateTimeMs(2958470.5).substr(0, 11), "10000/01/05");
}

namespace {

TEST_F(TsdFile, BuffersWaitForAFileThatHoldsTheBurstItsHeaderStates) {
    const std::string header =
        Header("100 msec\r\n1\r\n1 hr\r\n2,0\r\n5000000\r\n1,1\r\n0,0\r\na,b\r\nV,V\r\n");
    WriteAll(path, header);
    ASSERT_TRUE(holder.ReadTsdHeader(path));
    EXPECT_EQ(r.DataNum, 5'000'000);
    EXPECT_TRUE(r.Samples.empty()); // 20 MB of buffers for a file of a few lines: not yet

    WriteAll(path, Header("100 msec\r\n1\r\n1 hr\r\n2,0\r\n3\r\n1,1\r\n0,0\r\na,b\r\nV,V\r\n"
                          "No.1\r\n1,2\r\n3,4\r\n5,6\r\n"));
    ASSERT_TRUE(holder.ReadTsdHeader(path));
    ASSERT_EQ(r.Samples.size(), 128u);
    EXPECT_EQ(r.Samples[1].size(), 3u);
}

} // namespace
