// SPDX-License-Identifier: GPL-3.0-or-later
#include "DataFileTesting.h"

#include "data/DateTime.h"
#include "data/FileError.h"
#include "data/GeneralFormat.h"
#include "data/RecordingContents.h"
#include "data/SdfBlockReader.h"
#include "data/TFrmSDFdata.h"
#include "data/TsdBlockReader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace tessary;
using namespace tessary::testing;

namespace {

struct BlockReader : ::testing::Test {
    ScratchFolder folder;
    ScriptedDialogs dialogs;
    TFrmSDFdata holder{dialogs};
    MeasurementParameters& r = holder.Record();
    MeasurementParameters header;

    // Two channels of three data and one per-burst value; coefficients that need the writer's
    // seven digits.
    void Plan(const std::string& path, std::int16_t bursts) {
        r.Memo = "memo";
        r.ChNum = 2;
        r.BurstValueNum = 1;
        r.DataNum = 3;
        r.SInterval = 1;
        r.SITUnit = UnitMsec;
        r.Iteration = bursts;
        r.BInterval = 1;
        r.BITUnit = UnitSec;
        r.StartTime = EncodeDateTime({2025, 1, 2, 3, 4, 5, 6});
        r.Channels[0] = {"a", "V", 0.001f, 0.5f};
        r.Channels[1] = {"b", "mV", 1.0f, 0.0f};
        r.Channels[2] = {"e", "s", 3.0f, -1.0f};
        r.AllocateSampleBuffers();
        r.TargetFileName = path;
    }

    std::int16_t Sample(int k, std::size_t c, std::size_t i) const {
        return static_cast<std::int16_t>(k * 1000 + static_cast<int>(c * 100 + i) - 1234);
    }

    void WriteBlocks(int blocks, bool tsd) {
        for (int k = 0; k < blocks; ++k) {
            for (std::size_t c = 0; c < 2; ++c) {
                for (std::size_t i = 0; i < 3; ++i) {
                    r.Samples[c][i] = Sample(k, c, i);
                }
            }
            r.Samples[1][2] = ErrorValue;
            r.BurstValues[0] = static_cast<std::int16_t>(k);
            ASSERT_TRUE(tsd ? holder.WriteTsdBlock(k) : holder.WriteSdfBlock(k));
        }
    }

    // The value the TSD writer wrote for sample x of a row, as a number.
    static double Written(std::int16_t x, const ChannelSpec& spec) {
        const auto value = static_cast<double>(static_cast<long double>(spec.A) * x + spec.B);
        return std::stod(FormatGeneral(value, 7));
    }
};

} // namespace

TEST_F(BlockReader, ATsdBlockReadsAsTheValuesItsWriterWrote) {
    const std::string path = folder.File("run.tsd");
    Plan(path, 2);
    ASSERT_TRUE(holder.WriteTsdHeader(path));
    WriteBlocks(2, true);
    const auto contents = ExamineRecording(path, dialogs, header);
    ASSERT_TRUE(contents);
    ASSERT_EQ(contents->CompleteBursts, 2);

    TsdBlockReader reader(path, contents->Tsd, header);
    std::vector<double> values;
    for (int k = 1; k >= 0; --k) { // in any order
        reader.Read(k, values);
        ASSERT_EQ(values.size(), 7u);
        EXPECT_DOUBLE_EQ(values[0], Written(Sample(k, 0, 0), r.Channels[0]));
        EXPECT_EQ(values[1], Sample(k, 1, 0));
        EXPECT_DOUBLE_EQ(values[4], Written(Sample(k, 0, 2), r.Channels[0]));
        EXPECT_TRUE(IsTsdMissing(values[5])) << "the missing sample of step 3";
        EXPECT_EQ(values[6], 3.0 * k - 1.0) << "the per-burst value";
    }
}

TEST_F(BlockReader, TsdValuesReadInEverySpellingAndANanIsNoMissingSample) {
    const std::string path = folder.File("spell.tsd");
    Plan(path, 1);
    r.BurstValueNum = 0;
    r.DataNum = 4;
    ASSERT_TRUE(holder.WriteTsdHeader(path));
    std::string text = ReadAll(path);
    text += "No.1\r\nNAN,=\r\n+5,-INF\n1e400,-1e-400\r1.5E-3,.5\r\n";
    WriteAll(path, text);
    const auto contents = ExamineRecording(path, dialogs, header);
    ASSERT_TRUE(contents);
    ASSERT_EQ(contents->CompleteBursts, 1);

    std::vector<double> values;
    TsdBlockReader(path, contents->Tsd, header).Read(0, values);
    ASSERT_EQ(values.size(), 8u);
    EXPECT_TRUE(std::isnan(values[0]));
    EXPECT_FALSE(IsTsdMissing(values[0]));
    EXPECT_TRUE(IsTsdMissing(values[1]));
    EXPECT_EQ(values[2], 5.0);
    EXPECT_EQ(values[3], -std::numeric_limits<double>::infinity());
    EXPECT_EQ(values[4], std::numeric_limits<double>::infinity()) << "beyond a double";
    EXPECT_EQ(values[5], 0.0);
    EXPECT_TRUE(std::signbit(values[5])) << "below a double";
    EXPECT_EQ(values[6], 0.0015);
    EXPECT_EQ(values[7], 0.5);
}

TEST_F(BlockReader, ATsdChangedAfterItWasExaminedIsAnErrorNamingTheBurst) {
    const std::string path = folder.File("changed.tsd");
    Plan(path, 2);
    ASSERT_TRUE(holder.WriteTsdHeader(path));
    WriteBlocks(2, true);
    const std::string text = ReadAll(path);
    const auto contents = ExamineRecording(path, dialogs, header);
    ASSERT_TRUE(contents);
    TsdBlockReader reader(path, contents->Tsd, header);
    std::vector<double> values;

    const auto failure = [&](std::int64_t k) -> std::string {
        try {
            reader.Read(k, values);
        } catch (const FileError& e) {
            EXPECT_EQ(e.Path(), path);
            return e.what();
        }
        return "no error";
    };
    // Same length, other bytes: a value that is no number, a block with another number.
    std::string changed = text;
    changed.replace(text.rfind("0.268"), 5, "0.2x8");
    WriteAll(path, changed);
    EXPECT_NE(failure(1).find("burst 2 line"), std::string::npos) << failure(1);
    changed = text;
    changed.replace(text.find("No.2"), 4, "No.3");
    WriteAll(path, changed);
    EXPECT_NE(failure(1).find("burst 2 no longer begins with its line No.2"), std::string::npos);
    WriteAll(path, text.substr(0, text.size() - 3));
    EXPECT_NE(failure(1).find("burst 2 "), std::string::npos) << failure(1);
    EXPECT_NE(failure(2).find("burst 3 is not a complete block"), std::string::npos);
}

TEST_F(BlockReader, AnOldLayoutsBlockIsReadAsStoredOrWithTheCurrentMissingMark) {
    const std::string path = folder.File("old.sdf");
    r.ChNum = 1;
    r.DataNum = 2;
    r.Iteration = 2;
    r.Channels[0] = {"c", "V", 1.0f, 0.0f};
    // Layout 2: each block padded to whole 256-byte sectors.
    const std::string block1 = I16(OldErrorValue) + I16(-5) + std::string(252, '\0');
    const std::string block2 = I16(7) + I16(ErrorValue);
    WriteAll(path,
             FixedHeader(r, '2') + Row(r.Channels[0]) + std::string(224, ' ') + block1 + block2);
    const auto contents = ExamineRecording(path, dialogs, header);
    ASSERT_TRUE(contents);
    ASSERT_EQ(contents->CompleteBursts, 2) << "the last block needs no padding";

    SdfBlockReader reader(path, contents->Sdf);
    EXPECT_EQ(reader.BlockOffset(1), 512 + 256);
    std::span<const std::int16_t> stored = reader.ReadStored(0);
    EXPECT_EQ(std::vector<std::int16_t>(stored.begin(), stored.end()),
              (std::vector<std::int16_t>{OldErrorValue, -5}));
    stored = reader.ReadStored(1);
    EXPECT_EQ(std::vector<std::int16_t>(stored.begin(), stored.end()),
              (std::vector<std::int16_t>{7, ErrorValue}));
    header.AllocateSampleBuffers();
    reader.Read(0, header);
    EXPECT_EQ(header.Samples[0][0], ErrorValue);
    EXPECT_EQ(header.Samples[0][1], -5);
}
