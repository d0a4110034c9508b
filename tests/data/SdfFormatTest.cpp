// SPDX-License-Identifier: GPL-3.0-or-later
#include "DataFileTesting.h"

#include "data/Errors.h"
#include "data/FileError.h"
#include "data/OldFormatUpgrader.h"
#include "data/SdfBlockReader.h"
#include "data/TFrmSDFdata.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace tessary;
using namespace tessary::testing;

namespace {

const std::string FormatDiffers = "フォーマットが違います。";
const std::string OldQuestion = "データの形式が旧式です。更新してよろしいですか。";

void FillRecord(MeasurementParameters& r, int channels, int values = 0) {
    r.Memo = "test";
    r.ChNum = static_cast<std::int16_t>(channels);
    r.BurstValueNum = static_cast<std::int16_t>(values);
    r.DataNum = 512;
    r.SInterval = 100;
    r.SITUnit = UnitMsec;
    r.Iteration = 5;
    r.BInterval = 1;
    r.BITUnit = UnitHr;
    r.StartTime = 45000.5;
    for (int row = 0; row < std::min(channels + values, ChannelRows); ++row) {
        r.Channels[static_cast<std::size_t>(row)] = {"Ch." + std::to_string(row + 1), "mV",
                                                     1.0f + static_cast<float>(row), -0.5f};
    }
}

struct SdfFile : ::testing::Test {
    ScratchFolder folder;
    ScriptedDialogs dialogs;
    TFrmSDFdata holder{dialogs};
    MeasurementParameters& r = holder.Record();
    std::string path = folder.File("run.sdf");
};

} // namespace

TEST_F(SdfFile, HeaderOfOneRowIsTheFixedHeaderOneRowAndSpaces) {
    FillRecord(r, 1);
    ASSERT_TRUE(holder.WriteSdfHeader(path));
    const std::string expected = FixedHeader(r) + Row(r.Channels[0]) + std::string(224, ' ');
    ASSERT_EQ(expected.size(), 512u);
    EXPECT_EQ(ReadAll(path), expected);
}

TEST_F(SdfFile, HeaderSizesForZeroEightNineAndAllRows) {
    FillRecord(r, 0);
    ASSERT_TRUE(holder.WriteSdfHeader(path));
    EXPECT_EQ(ReadAll(path), FixedHeader(r));

    FillRecord(r, 8);
    std::filesystem::remove(path);
    ASSERT_TRUE(holder.WriteSdfHeader(path));
    std::string rows;
    for (int i = 0; i < 8; ++i) {
        rows += Row(r.Channels[static_cast<std::size_t>(i)]);
    }
    EXPECT_EQ(ReadAll(path), FixedHeader(r) + rows);

    FillRecord(r, 8, 1);
    std::filesystem::remove(path);
    ASSERT_TRUE(holder.WriteSdfHeader(path));
    EXPECT_EQ(ReadAll(path), FixedHeader(r) + rows + Row(r.Channels[8]) + std::string(224, ' '));

    FillRecord(r, 100, 29);
    std::filesystem::remove(path);
    ASSERT_TRUE(holder.WriteSdfHeader(path));
    EXPECT_EQ(ReadAll(path).size(), 18u * 256);

    FillRecord(r, 100, 30);
    EXPECT_FALSE(holder.WriteSdfHeader(folder.File("too-many.sdf")));
    EXPECT_FALSE(std::filesystem::exists(folder.File("too-many.sdf")));
}

TEST_F(SdfFile, FullWidthTextsAreStoredWithoutPaddingAndReadBackWhole) {
    FillRecord(r, 2);
    r.Memo = std::string(160, 'm');
    r.Channels[0] = {"ItemOfSixteen16b", "Unit8byt", 2.5f, 1.0f};
    r.Channels[1] = {"Ch.2", "V", 1.0f, 0.0f};
    ASSERT_TRUE(holder.WriteSdfHeader(path));
    const std::string bytes = ReadAll(path);
    EXPECT_EQ(bytes.substr(50, 160), std::string(160, 'm'));
    EXPECT_EQ(bytes.substr(256, 24), "ItemOfSixteen16bUnit8byt");

    MeasurementParameters written = r;
    r = MeasurementParameters{};
    ASSERT_TRUE(holder.ReadSdfHeader(path));
    EXPECT_EQ(r.Memo, written.Memo);
    EXPECT_EQ(r.Channels[0].Item, "ItemOfSixteen16b");
    EXPECT_EQ(r.Channels[0].Unit, "Unit8byt");
    EXPECT_EQ(r.Channels[1].Item, "Ch.2");
    EXPECT_EQ(r.Channels[1].Unit, "V");
    EXPECT_TRUE(dialogs.Shown.empty());
}

TEST_F(SdfFile, RoundTripKeepsTheRecordAndTheMemoPadding) {
    FillRecord(r, 3, 1);
    r.Memo = "abcde";
    r.Channels[1] = {"name  ", "u ", 0.001f, -3.25f};
    ASSERT_TRUE(holder.WriteSdfHeader(path));
    r.AllocateSampleBuffers();
    r.TargetFileName = path;
    ASSERT_TRUE(holder.WriteSdfBlock(0)); // a file that holds a burst gets its buffers
    const MeasurementParameters written = r;
    r = MeasurementParameters{};
    ASSERT_TRUE(holder.ReadSdfHeader(path));
    EXPECT_EQ(r.Memo, "abcde" + std::string(155, ' '));
    EXPECT_EQ(r.ChNum, 3);
    EXPECT_EQ(r.BurstValueNum, 1);
    EXPECT_EQ(r.DataNum, 512);
    EXPECT_EQ(r.SInterval, 100);
    EXPECT_EQ(r.SITUnit, UnitMsec);
    EXPECT_EQ(r.Iteration, 5);
    EXPECT_EQ(r.BInterval, 1);
    EXPECT_EQ(r.BITUnit, UnitHr);
    EXPECT_EQ(r.StartTime, 45000.5);
    for (int row = 0; row < 4; ++row) {
        const auto& got = r.Channels[static_cast<std::size_t>(row)];
        const auto& want = written.Channels[static_cast<std::size_t>(row)];
        EXPECT_EQ(got.A, want.A);
        EXPECT_EQ(got.B, want.B);
        EXPECT_EQ(got.Item, row == 1 ? "name" : want.Item);
        EXPECT_EQ(got.Unit, row == 1 ? "u" : want.Unit);
    }
    EXPECT_EQ(r.BlockBytes, (512 * 3 + 1) * 2);
    EXPECT_EQ(r.HeaderBlocks, 2);
    ASSERT_EQ(r.Samples.size(), 128u);
    EXPECT_EQ(r.Samples[2].size(), 512u);
    EXPECT_EQ(r.BurstValues.size(), 1u);
}

TEST_F(SdfFile, BlocksLieAtTheirOffsetsAndRewritingTheHeaderKeepsThem) {
    FillRecord(r, 1);
    r.AllocateSampleBuffers();
    r.TargetFileName = path;
    ASSERT_TRUE(holder.WriteSdfHeader(path));
    for (int k = 0; k < 4; ++k) {
        for (int s = 0; s < 512; ++s) {
            r.Samples[0][static_cast<std::size_t>(s)] = static_cast<std::int16_t>(k * 1000 + s);
        }
        ASSERT_TRUE(holder.WriteSdfBlock(k));
    }
    EXPECT_EQ(r.BlockBytes, 1024);
    const std::string before = ReadAll(path);
    ASSERT_EQ(before.size(), 512u + 4 * 1024);
    EXPECT_EQ(before.substr(3584, 4), I16(3000) + I16(3001));
    EXPECT_EQ(before.substr(3584 + 1022, 2), I16(3511));

    r.Iteration = 2;
    r.Memo = "rewritten";
    ASSERT_TRUE(holder.WriteSdfHeader(path));
    const std::string after = ReadAll(path);
    EXPECT_EQ(after.size(), before.size());
    EXPECT_EQ(after.substr(0, 512), FixedHeader(r) + Row(r.Channels[0]) + std::string(224, ' '));
    EXPECT_EQ(after.substr(512), before.substr(512));
}

TEST_F(SdfFile, BlockInterleavesChannelsThenPerBurstValues) {
    FillRecord(r, 2, 1);
    r.DataNum = 3;
    r.AllocateSampleBuffers();
    r.Samples[0] = {1, 2, 3};
    r.Samples[1] = {-1, -2, ErrorValue};
    r.BurstValues = {7};
    r.TargetFileName = path;
    ASSERT_TRUE(holder.WriteSdfHeader(path));
    ASSERT_TRUE(holder.WriteSdfBlock(1));
    const std::string block = I16(1) + I16(-1) + I16(2) + I16(-2) + I16(3) + I16(-32768) + I16(7);
    const std::string bytes = ReadAll(path);
    ASSERT_EQ(bytes.size(), 512u + 2 * 14);
    EXPECT_EQ(bytes.substr(512 + 14), block);
    EXPECT_EQ(bytes.substr(512, 14), std::string(14, '\0')); // the hole before block 1
}

TEST_F(SdfFile, LargeBlocksInterleaveEveryChannelCountAcrossPieces) {
    // Long enough to be written in several pieces for every channel count, and not a
    // multiple of eight steps, so the wide and the plain paths and the piece boundaries meet.
    for (const int channels : {1, 2, 3, 4, 5, 8}) {
        FillRecord(r, channels, 2);
        r.DataNum = 270001;
        r.Iteration = 1;
        r.AllocateSampleBuffers();
        const auto value = [](int i, int c) {
            return static_cast<std::int16_t>(i * 7 + c * 1000 - 30000);
        };
        std::string expected;
        for (int i = 0; i < r.DataNum; ++i) {
            for (int c = 0; c < channels; ++c) {
                r.Samples[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)] = value(i, c);
                expected += I16(value(i, c));
            }
        }
        expected += I16(-5) + I16(6);
        r.BurstValues = {-5, 6};
        r.TargetFileName = path;
        std::filesystem::remove(path);
        ASSERT_TRUE(holder.WriteSdfHeader(path));
        ASSERT_TRUE(holder.WriteSdfBlock(0));
        const std::string bytes = ReadAll(path);
        const std::size_t start = static_cast<std::size_t>(r.HeaderBlocks) * 256;
        ASSERT_EQ(bytes.size(), start + expected.size()) << channels;
        const auto mismatch =
            std::mismatch(expected.begin(), expected.end(), bytes.begin() + start);
        EXPECT_TRUE(mismatch.first == expected.end())
            << channels << " channels: first wrong byte at block offset "
            << (mismatch.first - expected.begin());
    }
}

TEST_F(SdfFile, BlockWriterRefusesWhatItCannotWrite) {
    FillRecord(r, 1);
    r.AllocateSampleBuffers();
    r.TargetFileName = path;
    EXPECT_FALSE(holder.WriteSdfBlock(0)); // the file must exist
    EXPECT_FALSE(std::filesystem::exists(path));
    ASSERT_TRUE(holder.WriteSdfHeader(path));
    EXPECT_FALSE(holder.WriteSdfBlock(-1));
    r.DataNum = 513; // buffers hold 512
    EXPECT_FALSE(holder.WriteSdfBlock(0));
    r.DataNum = 0;
    EXPECT_FALSE(holder.WriteSdfBlock(0));
    r.DataNum = 512;
    EXPECT_FALSE(holder.WriteSdfBlock(2'100'000)); // offset beyond 32 bits
    EXPECT_EQ(ReadAll(path).size(), 512u);
    EXPECT_TRUE(holder.WriteSdfBlock(0));
}

TEST_F(SdfFile, WritersReturnFalseAndKeepTheDiskAsItWas) {
    FillRecord(r, 1);
    r.AllocateSampleBuffers();
    // A vanished folder.
    const std::string sub = folder.File("gone");
    std::filesystem::create_directory(sub);
    r.TargetFileName = sub + "/run.sdf";
    ASSERT_TRUE(holder.WriteSdfHeader(r.TargetFileName));
    std::filesystem::remove_all(sub);
    EXPECT_FALSE(holder.WriteSdfBlock(0));
    EXPECT_FALSE(holder.WriteSdfHeader(r.TargetFileName));
    // A folder that is a regular file: nobody, root included, can create files in it.
    WriteAll(folder.File("plain"), "x");
    EXPECT_FALSE(holder.WriteSdfHeader(folder.File("plain") + "/run.sdf"));
    // A full disk.
    EXPECT_FALSE(holder.WriteSdfHeader("/dev/full"));
    r.TargetFileName = "/dev/full";
    EXPECT_FALSE(holder.WriteSdfBlock(0));

    // A read-only file keeps its bytes.
    ASSERT_TRUE(holder.WriteSdfHeader(path));
    const std::string before = ReadAll(path);
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    r.TargetFileName = path;
    if (access(path.c_str(), W_OK) == 0) {
        // Root writes regardless of permission bits; a file of /proc refuses writes to all.
        r.TargetFileName = "/proc/version";
        EXPECT_FALSE(holder.WriteSdfHeader("/proc/version"));
        EXPECT_FALSE(holder.WriteSdfBlock(0));
        return;
    }
    r.Memo = "changed";
    EXPECT_FALSE(holder.WriteSdfHeader(path));
    EXPECT_FALSE(holder.WriteSdfBlock(0));
    EXPECT_EQ(ReadAll(path), before);
}

namespace {

// A layout-1 header: interval fields in milliseconds, no unit bytes, 20 reserved bytes.
std::string VersionOneHeader() {
    return Padded(SdfMagic + "1", 50) + Padded("old", 160) + I16(2) + I16(0) + I32(100) + I32(250) +
           I16(3) + I32(60000) + F64(40000.25) + std::string(20, ' ') +
           Row({"A", "V", 1.0f, 0.0f}) + Row({"B", "mV", 2.0f, 1.0f}) + std::string(192, ' ');
}

struct FakeUpgrader : OldFormatUpgrader {
    bool UpgradeOldFormat(TFrmSDFdata& h, int version, const std::string& p) override {
        Calls.push_back({version, p});
        Iteration = h.Record().Iteration;
        return Result;
    }
    std::vector<std::pair<int, std::string>> Calls;
    std::int16_t Iteration = 0;
    bool Result = true;
};

} // namespace

TEST_F(SdfFile, OldLayoutsAskFirstAndGoThroughTheUpgrader) {
    for (const char version : {'1', '2', '3'}) {
        std::string bytes = VersionOneHeader();
        bytes[40] = version;
        WriteAll(path, bytes);
        dialogs.Shown.clear();
        r.Memo = "kept";
        EXPECT_FALSE(holder.ReadSdfHeader(path));
        ASSERT_EQ(dialogs.Shown.size(), 1u);
        EXPECT_EQ(dialogs.Shown[0].Kind, MessageKind::Confirmation);
        EXPECT_EQ(dialogs.Shown[0].Buttons, MessageButtons::YesNo);
        EXPECT_EQ(dialogs.Shown[0].Text, OldQuestion);
        EXPECT_EQ(r.Memo, "kept");
    }

    // Yes without an upgrader: the header is read, then refused with an error box.
    WriteAll(path, VersionOneHeader());
    dialogs.Shown.clear();
    dialogs.Answers = {MessageAnswer::Yes};
    EXPECT_FALSE(holder.ReadSdfHeader(path));
    ASSERT_EQ(dialogs.Shown.size(), 2u);
    EXPECT_EQ(dialogs.Shown[1].Kind, MessageKind::Error);

    FakeUpgrader upgrader;
    holder.SetUpgrader(&upgrader);
    r.SITUnit = UnitUsec;
    r.BITUnit = UnitDays;
    dialogs.Answers = {MessageAnswer::Yes};
    ASSERT_TRUE(holder.ReadSdfHeader(path));
    ASSERT_EQ(upgrader.Calls.size(), 1u);
    EXPECT_EQ(upgrader.Calls[0].first, 1);
    EXPECT_EQ(upgrader.Calls[0].second, path);
    EXPECT_EQ(upgrader.Iteration, 3);
    EXPECT_EQ(r.Memo, Padded("old", 160));
    EXPECT_EQ(r.ChNum, 2);
    EXPECT_EQ(r.DataNum, 100);
    EXPECT_EQ(r.SInterval, 250);
    EXPECT_EQ(r.BInterval, 60000);
    EXPECT_EQ(r.StartTime, 40000.25);
    EXPECT_EQ(r.SITUnit, UnitUsec); // layout 1 has no unit bytes
    EXPECT_EQ(r.BITUnit, UnitDays);
    EXPECT_EQ(r.Channels[1].Item, "B");
    EXPECT_EQ(r.Channels[1].A, 2.0f);

    upgrader.Result = false;
    dialogs.Answers = {MessageAnswer::Yes};
    EXPECT_FALSE(holder.ReadSdfHeader(path));

    // Sizes beyond what can be held are refused before the upgrader sees them.
    holder.SetSampleBufferLimit(100);
    dialogs.Answers = {MessageAnswer::Yes};
    EXPECT_THROW(holder.ReadSdfHeader(path), RangeError);
    EXPECT_EQ(upgrader.Calls.size(), 2u);
}

TEST_F(SdfFile, ForeignFilesAndVersionsAreFormatErrors) {
    FillRecord(r, 1);
    ASSERT_TRUE(holder.WriteSdfHeader(path));
    const std::string good = ReadAll(path);
    r.Memo = "kept";

    const auto expectFormatError = [&](const std::string& bytes) {
        WriteAll(path, bytes);
        dialogs.Shown.clear();
        EXPECT_FALSE(holder.ReadSdfHeader(path));
        ASSERT_EQ(dialogs.Shown.size(), 1u);
        EXPECT_EQ(dialogs.Shown[0].Kind, MessageKind::Error);
        EXPECT_EQ(dialogs.Shown[0].Buttons, MessageButtons::Ok);
        EXPECT_EQ(dialogs.Shown[0].Text, FormatDiffers);
        EXPECT_EQ(r.Memo, "kept");
    };
    expectFormatError("Time Series Data Text Format Ver.2\r\n");
    expectFormatError("");
    expectFormatError(" " + good);
    std::string zero = good;
    zero[10] = '\0'; // the text ends before the magic is complete
    expectFormatError(zero);
    for (const char digit : {'0', '5', '9'}) {
        std::string other = good;
        other[40] = digit;
        expectFormatError(other);
    }

    std::string letter = good;
    letter[40] = 'x';
    WriteAll(path, letter);
    EXPECT_THROW(holder.ReadSdfHeader(path), ConversionError);
    EXPECT_THROW(holder.ReadSdfHeader(folder.File("missing.sdf")), InOutError);

    WriteAll(path, good);
    dialogs.Shown.clear();
    EXPECT_TRUE(holder.ReadSdfHeader(path));
    EXPECT_TRUE(dialogs.Shown.empty()); // layout 4 asks nothing
}

TEST_F(SdfFile, HostileSizesAreRefusedBeforeUse) {
    FillRecord(r, 1);
    ASSERT_TRUE(holder.WriteSdfHeader(path));
    const std::string good = ReadAll(path);
    const auto with = [&](std::size_t offset, const std::string& bytes) {
        std::string out = good;
        out.replace(offset, bytes.size(), bytes);
        return out;
    };
    r = MeasurementParameters{};
    const auto expectRefused = [&](const std::string& bytes, const char* part,
                                   bool sizeError = false) {
        WriteAll(path, bytes);
        try {
            holder.ReadSdfHeader(path);
            ADD_FAILURE() << "accepted " << part;
        } catch (const TessaryError& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << e.what();
        }
        if (sizeError) {
            EXPECT_EQ(r.ChNum, 0) << part; // sizes out of range never reach the record
        }
    };
    expectRefused(with(210, I16(100) + I16(30)), "100 channels", true);
    expectRefused(with(210, I16(-1)), "-1 channels", true);
    expectRefused(with(212, I16(-2)), "-2 per-burst", true);
    expectRefused(with(214, I32(-5)), "(-5)", true);
    expectRefused(with(214, I32(2'000'000'000)), "too large");
    expectRefused(with(222, U8(9)), "unit 9");
    expectRefused(with(229, U8(10)), "unit 10");
    expectRefused(good.substr(0, 230), "ends at byte 230");
    expectRefused(good.substr(0, 280), "ends at byte 280"); // inside the channel table
    EXPECT_EQ(r.ChNum, 1);                                  // fields read before the failure stay

    holder.SetSampleBufferLimit(1000);
    WriteAll(path, good);
    EXPECT_THROW(holder.ReadSdfHeader(path), RangeError); // 512 data need 1024 bytes
    holder.SetSampleBufferLimit(1024);
    EXPECT_TRUE(holder.ReadSdfHeader(path));

    holder.SetSampleBufferLimit(1 << 30);
    WriteAll(path, with(210, I16(100) + I16(29)) + std::string(4096, ' '));
    ASSERT_TRUE(holder.ReadSdfHeader(path)); // 129 rows fill the table exactly
    EXPECT_EQ(r.ChNum + r.BurstValueNum, 129);
    EXPECT_EQ(r.HeaderBlocks, 18);
}

namespace {

TEST_F(SdfFile, BuffersWaitForAFileThatHoldsTheBurstItsHeaderStates) {
    FillRecord(r, 2);
    r.DataNum = 100'000; // 400 000 bytes a burst
    ASSERT_TRUE(holder.WriteSdfHeader(path));
    r = MeasurementParameters{};
    ASSERT_TRUE(holder.ReadSdfHeader(path));
    EXPECT_EQ(r.DataNum, 100'000);
    EXPECT_TRUE(r.Samples.empty()); // a 512-byte file sized no buffers

    SdfLayoutInfo layout;
    layout.Version = 4;
    layout.HeaderBytes = 512;
    layout.BlockValues = 200'000;
    layout.BlockStride = 400'000;
    {
        SdfBlockReader blocks(path, layout);
        EXPECT_THROW(blocks.Read(0, r), FileError);
        EXPECT_TRUE(r.Samples.empty()); // refused before anything was sized
    }

    std::string bytes = ReadAll(path);
    for (int j = 0; j < 200'000; ++j) {
        bytes += I16(static_cast<std::int16_t>(j % 1000));
    }
    WriteAll(path, bytes.substr(0, bytes.size() - 2));
    ASSERT_TRUE(holder.ReadSdfHeader(path));
    EXPECT_TRUE(r.Samples.empty()); // one value short of a burst
    WriteAll(path, bytes);
    {
        // A burst read sizes what the header read left.
        SdfBlockReader blocks(path, layout);
        blocks.Read(0, r);
        ASSERT_EQ(r.Samples.size(), 128u);
        EXPECT_EQ(r.Samples[1][99'999], 999);
    }
    r = MeasurementParameters{};
    ASSERT_TRUE(holder.ReadSdfHeader(path));
    ASSERT_EQ(r.Samples.size(), 128u);
    EXPECT_EQ(r.Samples[1].size(), 100'000u);
}

} // namespace
