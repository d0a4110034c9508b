// SPDX-License-Identifier: GPL-3.0-or-later
#include "AcquisitionTesting.h"

#include "acquisition/CardMessageQueue.h"
#include "acquisition/RunControl.h"
#include "acquisition/SimulatedCard.h"
#include "data/Clock.h"

#include <gtest/gtest.h>

#include <sstream>
#include <thread>

using namespace tessary;
using namespace tessary::testing;

namespace {

// Runs the simulated card in real time through run control, as the headless tool does.
class EndToEndTest : public ::testing::Test {
protected:
    EndToEndTest() {
        controls.WaitTime = "0";
        controls.SInterval = "1";
        controls.SampUnitIndex = 1; // msec
        controls.DataNum = "200";
        controls.Iteration = "3";
        controls.BurstInterval = "1";
        controls.BurstUnitIndex = 0; // sec
        controls.ChNum = "2";
        controls.ChannelGrid.push_back({"1", "Ch.2", "mV", "1", "0"});
    }

    // Passes until the run ends or `stopAfterSeconds` have gone by.
    void Record(double stopAfterSeconds = 1e9) {
        ASSERT_TRUE(run.BtnAdStartClick(controls));
        const auto start = std::chrono::steady_clock::now();
        while (run.Running()) {
            const auto wait = run.Pass();
            messages.DeliverTo(run);
            if (std::chrono::steady_clock::now() - start >
                std::chrono::duration<double>(stopAfterSeconds)) {
                run.BtnAdStopClick();
            }
            std::this_thread::sleep_for(wait);
        }
        messages.DeliverTo(run);
    }

    // The stored value of the ramp at scan i of channel c.
    static std::int16_t Ramp(int i, int c) {
        return static_cast<std::int16_t>(
            RoundHalfAway(((i + 512 * c) % 4096 - 2048) * 10.0 / 2048.0 * 1000.0));
    }

    static SimulatedCardSettings RampSettings() {
        SimulatedCardSettings settings;
        for (auto& channel : settings.Channels) {
            channel.Signal = SimulatedSignal::Ramp;
        }
        return settings;
    }

    SimulatedCard card{RampSettings()};
    CardMessageQueue messages;
    SystemClock clock;
    ScriptedDialogs dialogs;
    RecordingView view;
    TFrmSDFdata data{dialogs};
    RunSettings settings;
    RunControl run{card, messages, data, settings, view, dialogs, clock};
    ControlValues controls;
    ScratchFolder folder;
};

TEST_F(EndToEndTest, RecordsThreeBurstsIntoAnSdfFile) {
    controls.FileName = folder.File("ramp.sdf");
    const double started = clock.Now();
    Record();
    EXPECT_EQ(view.presentStatus, "変換終了");
    EXPECT_EQ(view.textStatus, "変換終了[200]");
    EXPECT_TRUE(dialogs.shown.empty());

    TFrmSDFdata reader(dialogs);
    ASSERT_TRUE(reader.ReadSdfHeader(controls.FileName));
    EXPECT_EQ(reader.Record().Iteration, 3);
    EXPECT_EQ(reader.Record().ChNum, 2);
    EXPECT_EQ(reader.Record().DataNum, 200);
    EXPECT_NEAR(reader.Record().StartTime, started, 1.0 * Second);
    const std::string bytes = ReadAll(controls.FileName);
    ASSERT_EQ(bytes.size(), 512u + 3 * 200 * 2 * 2);
    int wrong = 0;
    for (int block = 0; block < 3; ++block) {
        for (int i = 0; i < 200; ++i) {
            for (int c = 0; c < 2; ++c) {
                const std::size_t offset = 512 + block * 800 + (i * 2 + c) * 2;
                wrong += Int16At(bytes, offset) != Ramp(i, c);
            }
        }
    }
    EXPECT_EQ(wrong, 0);
    ASSERT_FALSE(view.convertedScans.empty());
    EXPECT_EQ(view.convertedScans.back(), 200);
    EXPECT_TRUE(std::is_sorted(view.convertedScans.begin(), view.convertedScans.end()));
}

TEST_F(EndToEndTest, StopInTheSecondBurstLeavesAConsistentTsdFile) {
    controls.FileType = FileTypeTsd;
    controls.FileName = folder.File("ramp.tsd");
    Record(1.1);
    EXPECT_EQ(view.presentStatus, "変換中止");
    EXPECT_EQ(run.State().BurstNumber, 2);

    std::istringstream text(ReadAll(controls.FileName));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) {
        ASSERT_FALSE(line.empty());
        ASSERT_EQ(line.back(), '\r');
        line.pop_back();
        lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), 12u + 2 * 201);
    EXPECT_EQ(lines[0], "Time Series Data Text Format Ver.2");
    EXPECT_EQ(lines[4], "2");
    EXPECT_EQ(lines[12], "No.1");
    EXPECT_EQ(lines[13], "-10000,-7500");
    EXPECT_EQ(lines[13 + 199], std::to_string(Ramp(199, 0)) + "," + std::to_string(Ramp(199, 1)));
    EXPECT_EQ(lines[213], "No.2");
    EXPECT_EQ(lines[214], "-10000,-7500");
    EXPECT_EQ(lines.back(), "=,=") << "the scans after the stop are marked missing";
}

} // namespace
