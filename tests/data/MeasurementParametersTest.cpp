// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/MeasurementParameters.h"
#include "data/Errors.h"

#include <gtest/gtest.h>

using namespace tessary;

namespace {

MeasurementParameters SingleBurst(int sInterval, TimeUnit sUnit, int dataNum, int bInterval,
                                  TimeUnit bUnit) {
    MeasurementParameters p;
    p.Iteration = 1;
    p.SInterval = sInterval;
    p.SITUnit = sUnit;
    p.DataNum = dataNum;
    p.BInterval = bInterval;
    p.BITUnit = bUnit;
    return p;
}

} // namespace

TEST(TimeUnits, FindTimeUnitTriesTheTableInOrder) {
    EXPECT_EQ(FindTimeUnit("10 msec"), UnitMsec);
    EXPECT_EQ(FindTimeUnit("10 usec"), UnitUsec);
    EXPECT_EQ(FindTimeUnit("5 sec"), UnitSec);
    EXPECT_EQ(FindTimeUnit("2 days"), UnitDays);
    EXPECT_EQ(FindTimeUnit("3 hours"), NoTimeUnit);
    EXPECT_EQ(FindTimeUnit("1 hr"), UnitHr);
    EXPECT_EQ(FindTimeUnit("5 SEC"), NoTimeUnit); // case-sensitive
}

TEST(TimeUnits, ReduceMillisecondsPicksTheLargestWholeUnit) {
    const auto check = [](std::int32_t ms, std::int32_t value, TimeUnit unit) {
        const UnitValue r = ReduceMilliseconds(ms);
        EXPECT_EQ(r.Value, value) << ms;
        EXPECT_EQ(r.Unit, unit) << ms;
    };
    check(1500, 1500, UnitMsec);
    check(120000, 2, UnitMin);
    check(7200000, 2, UnitHr);
    check(172800000, 2, UnitDays);
    check(90000, 90, UnitSec);
    check(0, 0, UnitDays);
    check(-3000, -3, UnitSec); // div and mod truncate toward zero
}

TEST(TimeUnits, FactorsAreExtendedPrecisionAndRowsAreChecked) {
    EXPECT_EQ(TimeUnitAt(UnitYr).Seconds, 31536000.0L);
    EXPECT_EQ(TimeUnitAt(UnitMsec).Days * 86400000.0L, 1.0L);
    EXPECT_THROW(TimeUnitAt(9), RangeError);
    EXPECT_THROW(TimeUnitAt(NoTimeUnit), RangeError);
}

TEST(RoundHalfAway, HalvesGoAwayFromZeroAndTheRangeIsChecked) {
    EXPECT_EQ(RoundHalfAway(12.5L), 13);
    EXPECT_EQ(RoundHalfAway(-12.5L), -13);
    EXPECT_EQ(RoundHalfAway(2.4999L), 2);
    EXPECT_EQ(RoundHalfAway(-0.4L), 0);
    EXPECT_EQ(RoundHalfAway(2147483647.4L), 2147483647);
    EXPECT_EQ(RoundHalfAway(-2147483648.4L), -2147483647 - 1);
    EXPECT_THROW(RoundHalfAway(2147483647.5L), RangeError);
    EXPECT_THROW(RoundHalfAway(-2147483648.5L), RangeError);
    EXPECT_THROW(RoundHalfAway(1e300L), RangeError);
}

TEST(NormaliseBurstInterval, SingleShortBurstGetsItsOwnLength) {
    auto p = SingleBurst(1, UnitMsec, 1000, 0, UnitSec);
    p.NormaliseBurstInterval();
    EXPECT_EQ(p.BInterval, 1);
    EXPECT_EQ(p.BITUnit, UnitSec);

    // 0.303 s is no whole number of seconds: nothing changes.
    auto q = SingleBurst(3, UnitMsec, 100, 0, UnitSec);
    q.NormaliseBurstInterval();
    EXPECT_EQ(q.BInterval, 0);
    EXPECT_EQ(q.BITUnit, UnitSec);

    // 10 ms × 1000 = 10 s, on to the largest unit that still holds it within 0.1 %.
    auto r = SingleBurst(10, UnitMsec, 999, 0, UnitSec);
    r.NormaliseBurstInterval();
    EXPECT_EQ(r.BInterval, 10);
    EXPECT_EQ(r.BITUnit, UnitSec);

    // 1 min exactly, then hr fails: stays in min.
    auto m = SingleBurst(1, UnitSec, 59, 0, UnitSec);
    m.NormaliseBurstInterval();
    EXPECT_EQ(m.BInterval, 1);
    EXPECT_EQ(m.BITUnit, UnitMin);
}

TEST(NormaliseBurstInterval, LeavesOtherMeasurementsAlone) {
    auto two = SingleBurst(1, UnitMsec, 1000, 0, UnitSec);
    two.Iteration = 2;
    two.NormaliseBurstInterval();
    EXPECT_EQ(two.BInterval, 0);

    auto longGap = SingleBurst(1, UnitMsec, 1000, 5, UnitSec);
    longGap.NormaliseBurstInterval();
    EXPECT_EQ(longGap.BInterval, 5);
    EXPECT_EQ(longGap.BITUnit, UnitSec);
}

TEST(NormaliseBurstInterval, UnitsWithoutRowsAreRangeErrorsAndYearsHaveNoUnitAbove) {
    auto yr = SingleBurst(1, UnitYr, 10, 0, UnitSec);
    yr.NormaliseBurstInterval();
    EXPECT_EQ(yr.BInterval, 0);
    EXPECT_EQ(yr.BITUnit, UnitSec);
    auto bad = SingleBurst(1, UnitMsec, 10, 0, NoTimeUnit);
    EXPECT_THROW(bad.NormaliseBurstInterval(), RangeError);
}

TEST(DerivedSizes, HeaderBlocksAndBlockBytes) {
    EXPECT_EQ(HeaderBlocksFor(0), 1);
    EXPECT_EQ(HeaderBlocksFor(1), 2);
    EXPECT_EQ(HeaderBlocksFor(8), 2);
    EXPECT_EQ(HeaderBlocksFor(9), 3);
    EXPECT_EQ(HeaderBlocksFor(129), 18);

    MeasurementParameters p;
    p.ChNum = 1;
    p.DataNum = 512;
    p.ComputeDerivedSizes();
    EXPECT_EQ(p.BlockBytes, 1024);
    EXPECT_EQ(p.HeaderBlocks, 2);

    p.ChNum = 120;
    p.BurstValueNum = 9; // 129 rows: accepted
    p.ComputeDerivedSizes();
    EXPECT_EQ(p.HeaderBlocks, 18);
    p.BurstValueNum = 10; // 130 rows
    EXPECT_THROW(p.ComputeDerivedSizes(), RangeError);

    p.ChNum = 128;
    p.BurstValueNum = 0;
    p.DataNum = 2000000000;
    EXPECT_THROW(p.ComputeDerivedSizes(), RangeError);
}

TEST(AllocateSampleBuffers, SizesTheUsedChannelsAndKeepsValues) {
    MeasurementParameters p;
    p.ChNum = 2;
    p.DataNum = 3;
    p.AllocateSampleBuffers();
    ASSERT_EQ(p.Samples.size(), 128u);
    EXPECT_EQ(p.Samples[0].size(), 3u);
    EXPECT_EQ(p.Samples[1].size(), 3u);
    EXPECT_TRUE(p.Samples[2].empty());
    EXPECT_TRUE(p.BurstValues.empty());

    p.Samples[0] = {7, 8, 9};
    p.DataNum = 5;
    p.BurstValueNum = 2;
    p.AllocateSampleBuffers();
    EXPECT_EQ(p.Samples[0], (std::vector<std::int16_t>{7, 8, 9, 0, 0}));
    EXPECT_EQ(p.BurstValues.size(), 2u);

    p.BurstValueNum = 0; // stays as it was
    p.AllocateSampleBuffers();
    EXPECT_EQ(p.BurstValues.size(), 2u);
}

TEST(AllocateSampleBuffers, RefusesSizesItCannotHold) {
    MeasurementParameters p;
    p.ChNum = 128;
    p.DataNum = 2000000000;
    EXPECT_THROW(p.AllocateSampleBuffers(), RangeError);
    EXPECT_TRUE(p.Samples.empty()); // refused before anything was allocated

    p.ChNum = 129;
    p.DataNum = 1;
    EXPECT_THROW(p.AllocateSampleBuffers(), RangeError);

    p.ChNum = 1;
    p.DataNum = -1;
    EXPECT_THROW(p.AllocateSampleBuffers(), RangeError);
}

TEST(ChannelTable, RowsAboveTheTableAreRangeErrors) {
    MeasurementParameters p;
    p.Channel(128).Item = "last";
    EXPECT_EQ(p.Channels[128].Item, "last");
    EXPECT_THROW(p.Channel(129), RangeError);
    EXPECT_THROW(p.Channel(-1), RangeError);
}
