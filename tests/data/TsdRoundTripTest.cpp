// SPDX-License-Identifier: GPL-3.0-or-later
#include "DataFileTesting.h"

#include "data/DateTime.h"
#include "data/Errors.h"
#include "data/GeneralFormat.h"
#include "data/SdfBlockReader.h"
#include "data/SdfHeaderLoader.h"
#include "data/TFrmSDFdata.h"
#include "data/TsdBlockIndex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>

using namespace tessary;
using namespace tessary::testing;

namespace {

// Header values that damaged files hold and the writers still write: coefficients that are no
// finite number or beyond any scale, start times before year 1 and after 9999 or no date at
// all, tables of per-burst values only, counts of 0 and below.
class DamagedSdf {
public:
    explicit DamagedSdf(std::uint32_t seed) : random_(seed) {}

    std::string Make(MeasurementParameters& r, int& blocks) {
        r = MeasurementParameters{};
        r.ChNum = static_cast<std::int16_t>(Pick(0, 4));
        r.BurstValueNum = static_cast<std::int16_t>(Pick(0, 3));
        if (r.ChNum + r.BurstValueNum == 0) {
            r.ChNum = 1;
        }
        r.DataNum = Pick(0, 40);
        r.SInterval = Pick(-5, 100000);
        r.SITUnit = static_cast<TimeUnit>(Pick(0, 8));
        r.Iteration = static_cast<std::int16_t>(Pick(-3, 6));
        r.BInterval = Pick(-5, 100000);
        r.BITUnit = static_cast<TimeUnit>(Pick(0, 8));
        r.StartTime = StartTime();
        r.Memo = Pick(0, 3) == 0 ? "two\r\nlines" : "memo";
        const int rows = r.ChNum + r.BurstValueNum;
        std::string bytes = FixedHeader(r);
        for (int row = 0; row < rows; ++row) {
            ChannelSpec& spec = r.Channels[static_cast<std::size_t>(row)];
            // Appended rather than "c" + ..., which GCC 12 at -O3 takes for an overlapping copy.
            std::string name(1, 'c');
            name += std::to_string(row);
            spec = {name, "u", Coefficient(), Coefficient()};
            bytes += Row(spec);
        }
        bytes.resize(static_cast<std::size_t>(HeaderBlocksFor(rows)) * 256, ' ');
        blocks = Pick(0, 3);
        const int values = r.DataNum * r.ChNum + r.BurstValueNum;
        for (int i = 0; i < blocks * values; ++i) {
            bytes +=
                I16(Pick(0, 9) == 0 ? ErrorValue : static_cast<std::int16_t>(Pick(-32767, 32767)));
        }
        return bytes;
    }

private:
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

    float Coefficient() {
        switch (Pick(0, 6)) {
        case 0:
            return std::numeric_limits<float>::quiet_NaN();
        case 1:
            return Pick(0, 1) == 0 ? std::numeric_limits<float>::infinity()
                                   : -std::numeric_limits<float>::infinity();
        case 2:
            return std::bit_cast<float>(static_cast<std::uint32_t>(random_()));
        case 3:
            return std::numeric_limits<float>::denorm_min() * static_cast<float>(Pick(1, 1000));
        default:
            return std::uniform_real_distribution<float>(-1000.0f, 1000.0f)(random_);
        }
    }

    double StartTime() {
        switch (Pick(0, 6)) {
        case 0:
            return std::numeric_limits<double>::quiet_NaN();
        case 1:
            return std::uniform_real_distribution<double>(-2.9e6, -693594.0)(random_); // year < 1
        case 2:
            return std::uniform_real_distribution<double>(2958466.0, 2.9e6)(random_); // > 9999
        case 3:
            return std::uniform_real_distribution<double>(-1.0, 0.0)(random_);
        case 4:
            return std::bit_cast<double>(static_cast<std::uint64_t>(random_()) << 32 | random_());
        default:
            return std::uniform_real_distribution<double>(0.0, 80000.0)(random_);
        }
    }

    std::mt19937 random_;
};

// The numbers of a TSD value line; "=" is a missing sample (nothing).
std::vector<std::optional<double>> Values(std::string_view line) {
    std::vector<std::optional<double>> values;
    while (!line.empty() || values.empty()) {
        const std::size_t comma = line.find(',');
        const std::string field(line.substr(0, comma));
        values.push_back(field == "=" ? std::nullopt
                                      : std::optional<double>(std::strtod(field.c_str(), nullptr)));
        if (comma == std::string_view::npos) {
            break;
        }
        line.remove_prefix(comma + 1);
    }
    return values;
}

// Within the 7 significant digits that the text keeps.
bool SameValue(double written, double read) {
    if (std::isnan(written) || std::isnan(read)) {
        return std::isnan(written) && std::isnan(read);
    }
    if (std::isinf(written) || std::isinf(read)) {
        return written == read;
    }
    return std::fabs(written - read) <= 5e-7 * std::fabs(written) + 1e-300;
}

} // namespace

TEST(TsdRoundTrip, EveryExportOfAReadableSdfReadsBackWithItsValues) {
    const std::uint32_t seed = 20250212;
    SCOPED_TRACE("seed " + std::to_string(seed));
    ScratchFolder folder;
    ScriptedDialogs dialogs;
    DamagedSdf maker(seed);
    const std::string sdfPath = folder.File("in.sdf");
    const std::string tsdPath = folder.File("out.tsd");
    int exported = 0;
    for (int trial = 0; trial < 730; ++trial) {
        SCOPED_TRACE("file " + std::to_string(trial));
        MeasurementParameters made;
        int blocks = 0;
        WriteAll(sdfPath, maker.Make(made, blocks));

        // As `export` does: the header as read, the bursts the file holds, block by block.
        TFrmSDFdata holder(dialogs);
        SdfHeaderLoader loader(holder);
        try {
            if (!loader.Load(sdfPath)) {
                continue;
            }
        } catch (const TessaryError&) {
            continue; // not readable: no export to check
        }
        MeasurementParameters& record = holder.Record();
        const std::int64_t present = loader.Layout().BlocksPresent;
        const auto bursts = static_cast<std::int16_t>(
            record.Iteration > 0 ? std::min<std::int64_t>(record.Iteration, present) : present);
        record.Iteration = bursts;
        if (!holder.WriteTsdHeader(tsdPath)) {
            continue; // a unit without a name: the export refuses it
        }
        record.TargetFileName = tsdPath;
        // Reading a header of one burst normalises its burst interval, as every reader does.
        MeasurementParameters header = record;
        header.NormaliseBurstInterval();
        SdfBlockReader reader(sdfPath, loader.Layout());
        for (std::int16_t k = 0; k < bursts; ++k) {
            reader.Read(k, record);
            ASSERT_TRUE(holder.WriteTsdBlock(k));
        }
        ++exported;

        TFrmSDFdata back(dialogs);
        bool read = false;
        try {
            read = back.ReadTsdHeader(tsdPath);
        } catch (const TessaryError& e) {
            ADD_FAILURE() << e.what();
        }
        ASSERT_TRUE(read);
        const MeasurementParameters& got = back.Record();
        EXPECT_EQ(got.ChNum, header.ChNum);
        EXPECT_EQ(got.BurstValueNum, header.BurstValueNum);
        EXPECT_EQ(got.DataNum, header.DataNum);
        EXPECT_EQ(got.Iteration, header.Iteration);
        EXPECT_EQ(got.SInterval, header.SInterval);
        EXPECT_EQ(got.SITUnit, header.SITUnit);
        EXPECT_EQ(got.BInterval, header.BInterval);
        EXPECT_EQ(got.BITUnit, header.BITUnit);
        EXPECT_EQ(FormatDateTime(got.StartTime), FormatDateTime(header.StartTime));
        for (int row = 0; row < header.ChNum + header.BurstValueNum; ++row) {
            const ChannelSpec& want = header.Channels[static_cast<std::size_t>(row)];
            const ChannelSpec& have = got.Channels[static_cast<std::size_t>(row)];
            EXPECT_EQ(FormatGeneral(have.A, 7), FormatGeneral(want.A, 7)) << "row " << row;
            EXPECT_EQ(FormatGeneral(have.B, 7), FormatGeneral(want.B, 7)) << "row " << row;
        }

        // Every block is complete, and each value is A·X + B of its sample.
        const TsdBlockIndex index = IndexTsdBlocks(tsdPath, 2, got, 32767);
        ASSERT_EQ(index.CompleteBlocks(), bursts);
        const std::string text = ReadAll(tsdPath);
        for (std::int16_t k = 0; k < bursts; ++k) {
            reader.Read(k, record);
            std::size_t at = static_cast<std::size_t>(index.Blocks[static_cast<std::size_t>(k)]);
            at = text.find("\r\n", at) + 2; // the "No." line
            const auto check = [&](int channelFrom, int count, const auto& sample) {
                const std::size_t end = text.find("\r\n", at);
                const auto values = Values(std::string_view(text).substr(at, end - at));
                at = end + 2;
                ASSERT_EQ(values.size(), static_cast<std::size_t>(std::max(count, 1)));
                for (int i = 0; i < count; ++i) {
                    const std::int16_t x = sample(i);
                    const ChannelSpec& spec =
                        header.Channels[static_cast<std::size_t>(channelFrom + i)];
                    if (x == ErrorValue) {
                        EXPECT_FALSE(values[static_cast<std::size_t>(i)]);
                        continue;
                    }
                    const auto expected = static_cast<double>(static_cast<long double>(spec.A) * x +
                                                              static_cast<long double>(spec.B));
                    ASSERT_TRUE(values[static_cast<std::size_t>(i)]);
                    EXPECT_TRUE(SameValue(expected, *values[static_cast<std::size_t>(i)]))
                        << expected << " read as " << *values[static_cast<std::size_t>(i)];
                }
            };
            for (std::int32_t step = 0; step < header.DataNum; ++step) {
                if (header.ChNum > 0) {
                    check(0, header.ChNum, [&](int c) {
                        return record
                            .Samples[static_cast<std::size_t>(c)][static_cast<std::size_t>(step)];
                    });
                } else {
                    at = text.find("\r\n", at) + 2; // an empty line: no channel
                }
            }
            if (header.BurstValueNum > 0) {
                check(header.ChNum, header.BurstValueNum,
                      [&](int i) { return record.BurstValues[static_cast<std::size_t>(i)]; });
            }
        }
    }
    EXPECT_GT(exported, 300) << "the damage leaves most files readable";
}
