// SPDX-License-Identifier: GPL-3.0-or-later
#include "AcquisitionTesting.h"

#include "acquisition/AdLib32.h"
#include "acquisition/CardMessageQueue.h"
#include "acquisition/RunSettings.h"
#include "acquisition/RunState.h"
#include "acquisition/SimulatedCard.h"
#include "data/Errors.h"
#include "data/MeasurementParameters.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace tessary;
using namespace tessary::testing;

namespace {

// Collects the card's messages for inspection.
class Messages final : public CardMessagePoster {
public:
    void PostCardMessage(std::int64_t code, std::int64_t param) override {
        posted.push_back({code, param});
    }
    std::vector<std::pair<std::int64_t, std::int64_t>> posted;
};

TEST(DetectCard, TriesFiveNumbersAndNamesTheKind) {
    ScriptedCard card;
    card.answeringTry = 3;
    const auto found = DetectCard(card);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(card.tries, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(found->IoBase, 768);
    card.tries.clear();
    card.answeringTry = 5;
    EXPECT_FALSE(DetectCard(card).has_value());
    EXPECT_EQ(card.tries.size(), 5u);
    EXPECT_STREQ(CardTypeName(1), "REX-5054U");
    EXPECT_STREQ(CardTypeName(2), "REX-5054B");
}

TEST(ConfigureCard, StepsInOrderKeepingTheCardFlags) {
    ScriptedCard card;
    Messages window;
    MeasurementParameters record;
    record.ChNum = 2;
    record.DataNum = 10;
    record.SInterval = 65535;
    RunSettings settings;
    settings.RingBufferSize = 52;
    RunState state;
    state.RingBufferAllocated = true;
    state.IrqModeActive = true;
    EXPECT_EQ(ConfigureCard(card, window, record, settings, state), ConfigureOk);
    EXPECT_EQ(card.calls,
              (std::vector<std::string>{"SetParamAuto", "SetChannel", "SetFreq", "FreeRingBuf",
                                        "StopIrqMode", "AllocRingBuf", "StartIrqRingMode"}));
    EXPECT_EQ(card.ringWords, 52);
    EXPECT_TRUE(state.RingBufferAllocated);
    EXPECT_TRUE(state.IrqModeActive);

    for (int step = 1; step <= 5; ++step) {
        card.failStep = step;
        state = RunState{};
        EXPECT_EQ(ConfigureCard(card, window, record, settings, state), -step);
        EXPECT_EQ(state.RingBufferAllocated, step == 5);
        EXPECT_FALSE(state.IrqModeActive);
    }
    card.failStep = 0;
    record.SInterval = 65536;
    EXPECT_THROW(ConfigureCard(card, window, record, settings, state), RangeError);
    record.SInterval = 1;
    record.DataNum = -1;
    EXPECT_THROW(ConfigureCard(card, window, record, settings, state), RangeError);
}

class SimulatedCardTest : public ::testing::Test {
protected:
    SimulatedCard Card(const SimulatedCardSettings& settings) {
        return SimulatedCard(settings, [this] { return now; });
    }
    // One burst of `scans` scans of `channels` channels at `interval` µs.
    void Begin(SimulatedCard& card, int channels, int scans, int interval = 1,
               std::int32_t ring = 0) {
        ASSERT_EQ(card.AdSetParamAuto(window, 3), 0);
        ASSERT_EQ(card.AdSetChannel(static_cast<std::int16_t>(channels), {0, 1, 2, 3, 4, 5, 6, 7}),
                  channels);
        ASSERT_EQ(card.AdSetFreq(window, static_cast<std::uint16_t>(interval), 2), 0);
        ASSERT_EQ(card.AdAllocRingBuf(window, ring > 0 ? ring : channels * scans + 32, scans), 0);
        ASSERT_EQ(card.AdStartIrqRingMode(window, 0), 0);
        buffer.assign(static_cast<std::size_t>(channels) * scans, 0);
        read = 0;
    }
    std::int32_t Read(SimulatedCard& card, std::int32_t count) {
        const std::int32_t r = card.AdGetRingBuf(buffer, read, count);
        if (r > 0) {
            read += r;
        }
        return r;
    }

    std::int64_t now = 1'000'000;
    Messages window;
    std::vector<std::uint16_t> buffer;
    std::int32_t read = 0;
};

TEST_F(SimulatedCardTest, SamplesAppearInRealTimeAndTheRampIsExact) {
    SimulatedCardSettings settings;
    for (auto& channel : settings.Channels) {
        channel.Signal = SimulatedSignal::Ramp;
    }
    SimulatedCard card = Card(settings);
    Begin(card, 3, 5000, 2);
    EXPECT_EQ(window.posted.front(), std::make_pair(std::int64_t{1}, std::int64_t{0}));
    EXPECT_EQ(Read(card, 1000), 3) << "scan 0 exists at the start";
    now += 1999;
    EXPECT_EQ(Read(card, 1000), 0);
    now += 1;
    EXPECT_EQ(Read(card, 1000), 3);
    now += 2000 * 4998;
    while (Read(card, 64) > 0) {
    }
    EXPECT_EQ(read, 15000);
    EXPECT_EQ(window.posted.back(), std::make_pair(std::int64_t{128}, std::int64_t{5000}));
    for (int i : {0, 1, 4095, 4096, 4999}) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(buffer[static_cast<std::size_t>(i * 3 + c)], (i + 512 * c) % 4096);
        }
    }
}

TEST_F(SimulatedCardTest, SignalsAndTheVoltScale) {
    SimulatedCardSettings settings;
    settings.Channels[0] = {SimulatedSignal::Sine, 5.0, 1.0, 1000.0};
    settings.Channels[1] = {SimulatedSignal::Square, 2.0, 0.0, 1000.0};
    settings.Channels[2] = {SimulatedSignal::Noise, 1.0, -3.0, 1.0};
    SimulatedCard card = Card(settings);
    Begin(card, 3, 1000, 1);
    now += 1000 * 1000;
    while (Read(card, 300) > 0) {
    }
    const auto volts = [&](int scan, int c) {
        return card.HexToVal(buffer[static_cast<std::size_t>(scan * 3 + c)]);
    };
    EXPECT_NEAR(volts(0, 0), 1.0, 0.005);
    EXPECT_NEAR(volts(250, 0), 6.0, 0.005); // a quarter period of 1 kHz at 1 µs
    EXPECT_NEAR(volts(750, 0), -4.0, 0.005);
    EXPECT_NEAR(volts(100, 1), 2.0, 0.005);
    EXPECT_NEAR(volts(600, 1), -2.0, 0.005);
    double low = 0;
    double high = -10;
    for (int i = 0; i < 1000; ++i) {
        low = std::min(low, volts(i, 2));
        high = std::max(high, volts(i, 2));
    }
    EXPECT_GE(low, -4.0);
    EXPECT_LE(high, -2.0);
    EXPECT_LT(low, -3.8);
    EXPECT_GT(high, -2.2);
    EXPECT_DOUBLE_EQ(card.HexToVal(2048 + 1), 10.0 / 2048);
    EXPECT_DOUBLE_EQ(card.HexToVal(0), -10.0);
    EXPECT_EQ(SimulatedCard::VoltsToWord(25.0), 4095);
    EXPECT_EQ(SimulatedCard::VoltsToWord(-25.0), 0);
}

TEST_F(SimulatedCardTest, OverflowsWhenTheReaderFallsMoreThanTheRingBehind) {
    SimulatedCardSettings settings;
    settings.RingBufferWords = 100;
    SimulatedCard card = Card(settings);
    Begin(card, 2, 1000, 1);
    now += 49 * 1000; // 50 scans = 100 words waiting: still fits
    EXPECT_EQ(Read(card, 10), 10);
    now += 5 * 1000; // 110 produced, 10 read
    EXPECT_EQ(Read(card, 10), 10);
    now += 6 * 1000; // 122 produced, 20 read
    EXPECT_EQ(Read(card, 10), -1);
    EXPECT_EQ(Read(card, 10), -1);
    EXPECT_EQ(window.posted.back().first, 2);
}

TEST_F(SimulatedCardTest, StopsProducingWhenStoppedOrEndedAbnormally) {
    SimulatedCardSettings settings;
    settings.AbnormalEndScan = 10;
    SimulatedCard card = Card(settings);
    Begin(card, 1, 100, 1);
    now += 1'000'000;
    while (Read(card, 32) > 0) {
    }
    EXPECT_EQ(read, 10);
    EXPECT_EQ(window.posted.back().first, 3);

    SimulatedCard stopped = Card({});
    Begin(stopped, 1, 100, 1);
    now += 4999;
    stopped.AdStopIrqMode();
    now += 1'000'000;
    while (Read(stopped, 32) > 0) {
    }
    EXPECT_EQ(read, 5);
}

TEST_F(SimulatedCardTest, SwitchesForAMissingCardAndFailingSteps) {
    SimulatedCardSettings absent;
    absent.Present = false;
    SimulatedCard none = Card(absent);
    EXPECT_FALSE(DetectCard(none).has_value());

    SimulatedCardSettings settings;
    settings.Kind = 2;
    settings.IoBase = 0x300;
    SimulatedCard present = Card(settings);
    const auto found = DetectCard(present);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->Kind, 2);
    EXPECT_EQ(found->IoBase, 768);
    EXPECT_EQ(found->Irq, 10);

    MeasurementParameters record;
    record.ChNum = 1;
    record.DataNum = 10;
    record.SInterval = 1;
    RunSettings run;
    run.RingBufferSize = 42;
    for (int step = 1; step <= 5; ++step) {
        settings.FailStep = step;
        SimulatedCard card = Card(settings);
        RunState state;
        EXPECT_EQ(ConfigureCard(card, window, record, run, state), -step);
    }
    settings.FailStep = 0;
    SimulatedCard card = Card(settings);
    RunState state;
    record.ChNum = 9;
    EXPECT_EQ(ConfigureCard(card, window, record, run, state), ConfigureChannelFailed);
    record.ChNum = 1;
    record.SInterval = 0;
    EXPECT_EQ(ConfigureCard(card, window, record, run, state), ConfigureFreqFailed);
}

TEST(SimulatedCardSettings, ReadsTheIniFileAndRefusesBadValues) {
    ScratchFolder folder;
    EXPECT_TRUE(SimulatedCardSettings::Load(folder.File("none.ini")).Present);
    const std::string path = folder.File("AdLibSim.ini");
    std::ofstream(path) << "[card]\r\npresent=0\r\nKind=2\r\nFailStep=4\r\nRingBufferWords=64\r\n"
                           "[Ch2]\r\nSignal=Ramp\r\nAmplitude=2.5\r\nOffset=-1\r\n"
                           "Frequency=50\r\n";
    const SimulatedCardSettings settings = SimulatedCardSettings::Load(path);
    EXPECT_FALSE(settings.Present);
    EXPECT_EQ(settings.Kind, 2);
    EXPECT_EQ(settings.IoBase, 768);
    EXPECT_EQ(settings.FailStep, 4);
    EXPECT_EQ(settings.RingBufferWords, 64);
    EXPECT_EQ(settings.Channels[1].Signal, SimulatedSignal::Ramp);
    EXPECT_DOUBLE_EQ(settings.Channels[1].Amplitude, 2.5);
    EXPECT_DOUBLE_EQ(settings.Channels[1].Offset, -1.0);
    EXPECT_DOUBLE_EQ(settings.Channels[1].Frequency, 50.0);
    EXPECT_DOUBLE_EQ(settings.Channels[2].Frequency, 3.0);
    for (const char* bad :
         {"[Card]\r\nFailStep=6\r\n", "[Card]\r\nPresent=yes\r\n", "[Ch1]\r\nSignal=triangle\r\n",
          "[Ch8]\r\nFrequency=-1\r\n", "[Ch3]\r\nAmplitude=1e999\r\n"}) {
        std::ofstream(path, std::ios::trunc) << bad;
        EXPECT_THROW(SimulatedCardSettings::Load(path), ConversionError) << bad;
    }
}

} // namespace
