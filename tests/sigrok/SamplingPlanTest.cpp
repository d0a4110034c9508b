// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/sigrok/SamplingPlan.h"

#include <gtest/gtest.h>

using namespace tessary;

namespace {

constexpr std::uint16_t Sec = 0;
constexpr std::uint16_t Msec = 1;
constexpr std::uint16_t Usec = 2;

RateCapability Range(std::uint64_t min, std::uint64_t max, std::uint64_t step) {
    RateCapability device;
    device.HasRate = true;
    device.Range = RateCapability::Steps{min, max, step};
    return device;
}

RateCapability List(std::vector<std::uint64_t> rates) {
    RateCapability device;
    device.HasRate = true;
    device.Rates = std::move(rates);
    return device;
}

SamplingPlan::Timing Mode(std::uint16_t interval, std::uint16_t unit, const RateCapability& d) {
    return SamplingPlan::For(interval, unit, d).Mode;
}

using Timing = SamplingPlan::Timing;

TEST(SamplingPlan, AWholeHzRateTheDeviceOffersIsTimedByTheDevice) {
    const RateCapability demo = Range(1, 1'000'000'000, 1);
    const SamplingPlan plan = SamplingPlan::For(10, Usec, demo);
    EXPECT_EQ(plan.Mode, Timing::Hardware);
    EXPECT_EQ(plan.RateHz, 100'000u);
    EXPECT_EQ(plan.IntervalNs, 10'000);
    EXPECT_EQ(SamplingPlan::For(1, Usec, demo).RateHz, 1'000'000u);
    EXPECT_EQ(SamplingPlan::For(8, Msec, demo).RateHz, 125u);
    EXPECT_EQ(Mode(3, Usec, demo), Timing::Refused) << "333333.3 Hz";
    EXPECT_EQ(Mode(7, Msec, demo), Timing::Refused) << "142.857 Hz";

    const RateCapability grid = Range(1000, 1'000'000, 1000);
    EXPECT_EQ(Mode(4, Usec, grid), Timing::Hardware) << "250 kHz is on the grid";
    EXPECT_EQ(Mode(16, Usec, grid), Timing::Refused) << "62.5 kHz is not";
    EXPECT_EQ(Mode(2, Msec, grid), Timing::Refused) << "500 Hz is below the range";

    const RateCapability scope = List({20'000, 50'000, 100'000, 1'000'000});
    EXPECT_EQ(Mode(20, Usec, scope), Timing::Hardware);
    EXPECT_EQ(Mode(25, Usec, scope), Timing::Refused) << "40 kHz is not offered";
}

TEST(SamplingPlan, OneSecondAndLongerAndDevicesWithoutARateAreTimedInSoftware) {
    const RateCapability scope = List({20'000, 50'000});
    EXPECT_EQ(Mode(1, Sec, scope), Timing::Software);
    EXPECT_EQ(Mode(1000, Msec, scope), Timing::Software);
    EXPECT_EQ(Mode(1500, Msec, scope), Timing::Software);
    EXPECT_EQ(Mode(65535, Sec, scope), Timing::Software);
    EXPECT_EQ(SamplingPlan::For(2, Sec, scope).IntervalNs, 2'000'000'000);

    const RateCapability multimeter;
    EXPECT_EQ(Mode(100, Msec, multimeter), Timing::Software);
    EXPECT_EQ(Mode(10, Msec, multimeter), Timing::Software);
    EXPECT_EQ(Mode(9, Msec, multimeter), Timing::Refused);
    EXPECT_EQ(Mode(100, Usec, multimeter), Timing::Refused);
    EXPECT_EQ(Mode(0, Sec, multimeter), Timing::Refused);
    EXPECT_EQ(Mode(1, 3, multimeter), Timing::Refused) << "no such unit";
}

// While sampling in software a device runs at about ten readings a second.
TEST(SamplingPlan, SoftwareTimingRunsTheDeviceAtALowRateItOffers) {
    EXPECT_EQ(Range(1, 1'000'000'000, 1).SoftwareRate(), 10u);
    EXPECT_EQ(Range(1000, 1'000'000, 1000).SoftwareRate(), 1000u);
    EXPECT_EQ(Range(3, 100, 4).SoftwareRate(), 11u);
    EXPECT_EQ(Range(1, 5, 1).SoftwareRate(), 5u) << "the highest when none reaches 10 Hz";
    EXPECT_EQ(List({50'000, 5, 20'000}).SoftwareRate(), 20'000u);
    EXPECT_EQ(List({2, 5}).SoftwareRate(), 5u);
    EXPECT_FALSE(RateCapability{}.SoftwareRate());
    RateCapability silent;
    silent.HasRate = true;
    EXPECT_FALSE(silent.SoftwareRate());
    EXPECT_TRUE(silent.Offers(12345)) << "the device itself refuses a wrong rate";
}

TEST(SamplingPlan, SaysWhatTheDeviceAccepts) {
    EXPECT_EQ(SamplingPlan::Accepted(Range(1, 1'000'000'000, 1)),
              "1 Hz～1 GHz の逆数、または 1 sec 以上");
    EXPECT_EQ(SamplingPlan::Accepted(List({20'000, 1'500'000})),
              "20 kHz, 1500 kHz の逆数、または 1 sec 以上");
    EXPECT_EQ(SamplingPlan::Accepted(RateCapability{}), "10 msec 以上");
    EXPECT_EQ(FormatHz(200'000), "200 kHz");
    EXPECT_EQ(FormatHz(1'000'000'000), "1 GHz");
    EXPECT_EQ(FormatHz(1500), "1500 Hz");
    EXPECT_EQ(FormatHz(0), "0 Hz");
}

} // namespace
