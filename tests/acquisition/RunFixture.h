// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A run control driven by hand: a stepped clock, a scripted card, recorded views and message
// boxes, and helpers that read the data file as the layouts spell it.
#include "AcquisitionTesting.h"

#include "acquisition/CardMessageQueue.h"
#include "acquisition/MeasurementSetup.h"
#include "acquisition/RunControl.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tessary::testing {

class RunControlTest : public ::testing::Test {
protected:
    RunControlTest() {
        controls.FileName = folder.File("run.sdf");
        controls.WaitTime = "0";
        controls.SInterval = "1";
        controls.SampUnitIndex = 1; // msec
        controls.BurstInterval = "1";
        controls.BurstUnitIndex = 0; // sec
        SetChannels(1);
        SetBurst(100, 3);
        // One pass drains all that is ready however busy the machine is; the slice itself
        // is tested on its own.
        run.SetDrainSlice(std::chrono::hours(1));
    }

    void SetChannels(int count) {
        controls.ChNum = std::to_string(count);
        controls.ChannelGrid.resize(1);
        for (int k = 0; k < count; ++k) {
            controls.ChannelGrid.push_back(
                {std::to_string(k), "Ch." + std::to_string(k + 1), "mV", "1", "0"});
        }
    }
    void SetBurst(int dataNum, int iteration) {
        controls.DataNum = std::to_string(dataNum);
        controls.Iteration = std::to_string(iteration);
    }
    std::int64_t BurstWords() const {
        return std::int64_t{data.Record().DataNum} * data.Record().ChNum;
    }

    void Start() { ASSERT_TRUE(run.BtnAdStartClick(controls)); }
    void Pass() {
        run.Pass();
        messages.DeliverTo(run);
    }
    // The card produces the whole burst; one pass drains it, and its block is written.
    void FinishBurst() {
        card.ready = BurstWords();
        Pass();
        run.WaitForWrites();
    }

    std::int16_t Stored(const std::string& bytes, int block, int step, int channel) const {
        const auto& r = data.Record();
        const std::size_t offset = 256 * static_cast<std::size_t>(HeaderBlocksFor(r.ChNum)) +
                                   static_cast<std::size_t>(block) * r.DataNum * r.ChNum * 2 +
                                   (static_cast<std::size_t>(step) * r.ChNum + channel) * 2;
        return Int16At(bytes, offset);
    }
    std::int16_t HeaderIteration() const { return Int16At(ReadAll(controls.FileName), 223); }
    std::size_t FileSize() const { return std::filesystem::file_size(controls.FileName); }
    std::size_t SizeWithBlocks(int blocks) const {
        const auto& r = data.Record();
        return 256 * static_cast<std::size_t>(HeaderBlocksFor(r.ChNum)) +
               static_cast<std::size_t>(blocks) * r.DataNum * r.ChNum * 2;
    }

    ScratchFolder folder;
    FakeClock clock;
    ScriptedDialogs dialogs;
    RecordingView view;
    ScriptedCard card;
    CardMessageQueue messages;
    TFrmSDFdata data{dialogs};
    RunSettings settings;
    RunControl run{card, messages, data, settings, view, dialogs, clock};
    ControlValues controls;
};

} // namespace tessary::testing
