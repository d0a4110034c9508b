// SPDX-License-Identifier: GPL-3.0-or-later
// The sigrok card end to end through run control, against libsigrok's demo device: the same
// path as the headless tool, with the real library and its own thread.
#include "acquisition/AcquisitionTesting.h"

#include "acquisition/CardMessageQueue.h"
#include "acquisition/MeasurementSetup.h"
#include "acquisition/RunControl.h"
#include "acquisition/sigrok/SigrokCard.h"
#include "data/Clock.h"
#include "data/MeasurementParameters.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <dirent.h>
#include <filesystem>
#include <numbers>
#include <sstream>
#include <thread>

using namespace tessary;
using namespace tessary::testing;

namespace {

// The demo device's patterns, 20 samples to a period from the start of every acquisition
// (measured with sigrok-cli): sine is offset + amplitude · sin(2π i / 20); square is
// offset − amplitude for i mod 10 in 0..4 and offset + amplitude for 5..9.
double DemoSine(std::int64_t i, double amplitude, double offset) {
    return offset + amplitude * std::sin(2 * std::numbers::pi * static_cast<double>(i % 20) / 20);
}
double DemoSquare(std::int64_t i, double amplitude, double offset) {
    return offset + (i % 10 < 5 ? -amplitude : amplitude);
}

int ThreadsOfThisProcess() {
    int threads = 0;
    if (DIR* tasks = opendir("/proc/self/task")) {
        while (const dirent* entry = readdir(tasks)) {
            threads += entry->d_name[0] != '.';
        }
        closedir(tasks);
    }
    return threads;
}

CardName Named(const std::string& text) {
    return *CardName::Parse(text);
}

class DemoDeviceTest : public ::testing::Test {
protected:
    DemoDeviceTest() {
        controls.WaitTime = "0";
        controls.SInterval = "10";
        controls.SampUnitIndex = 2; // usec: 100 kHz, timed by the device
        controls.DataNum = "400";
        controls.Iteration = "3";
        controls.BurstInterval = "1";
        controls.BurstUnitIndex = 0; // sec
        controls.ChNum = "2";
        controls.ChannelGrid.push_back({"1", "Ch.2", "mV", "1", "0"});
    }

    void Use(const std::string& name) {
        card = std::make_unique<SigrokCard>(Named(name), settings);
        run =
            std::make_unique<RunControl>(*card, messages, data, runSettings, view, dialogs, clock);
    }

    // Detects the card as start-up does, then runs until the run ends, pressing Stop once
    // `stopAt` says so.
    void Record(const std::function<bool()>& stopAt = {}) {
        ASSERT_TRUE(DetectCard(*card).has_value()) << card->LastFailure();
        ASSERT_TRUE(run->BtnAdStartClick(controls));
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (run->Running()) {
            const auto wait = run->Pass();
            messages.DeliverTo(*run);
            if (stopAt && run->Running() && stopAt()) {
                run->BtnAdStopClick();
            }
            ASSERT_LT(std::chrono::steady_clock::now(), give_up) << "the run does not end";
            std::this_thread::sleep_for(wait);
        }
        messages.DeliverTo(*run);
    }

    // The stored samples of an SDF recording: [burst][scan][channel].
    static std::vector<std::vector<std::vector<std::int16_t>>>
    SdfSamples(const std::string& path, int bursts, int scans, int channels) {
        const std::string bytes = ReadAll(path);
        EXPECT_EQ(bytes.size(), 512u + static_cast<std::size_t>(bursts * scans * channels * 2));
        std::vector<std::vector<std::vector<std::int16_t>>> samples(
            static_cast<std::size_t>(bursts));
        for (int b = 0; b < bursts; ++b) {
            for (int i = 0; i < scans; ++i) {
                std::vector<std::int16_t> scan;
                for (int c = 0; c < channels; ++c) {
                    const auto at =
                        static_cast<std::size_t>(512 + ((b * scans + i) * channels + c) * 2);
                    scan.push_back(at + 1 < bytes.size() ? Int16At(bytes, at) : 0);
                }
                samples[static_cast<std::size_t>(b)].push_back(scan);
            }
        }
        return samples;
    }

    SigrokCardSettings settings;
    std::unique_ptr<SigrokCard> card;
    CardMessageQueue messages;
    SystemClock clock;
    ScriptedDialogs dialogs;
    RecordingView view;
    TFrmSDFdata data{dialogs};
    RunSettings runSettings;
    std::unique_ptr<RunControl> run;
    ControlValues controls;
    ScratchFolder folder;
};

// The demo's defaults on its first two inputs (A0 square, A1 sine, 10 V): every stored value
// of every burst is the pattern in mV, in SDF and in TSD alike.
TEST_F(DemoDeviceTest, RecordsThreeBurstsOfSquareAndSineExactlyIntoSdfAndTsd) {
    settings.Channels[0].Options = {{"pattern", "square"}};
    settings.Channels[1].Options = {{"pattern", "sine"}};
    for (const int fileType : {FileTypeSdf, FileTypeTsd}) {
        Use("sigrok:demo");
        controls.FileType = fileType;
        controls.FileName = folder.File(fileType == FileTypeSdf ? "demo.sdf" : "demo.tsd");
        Record();
        EXPECT_EQ(run->Outcome().How, RunOutcome::End::Completed) << run->Outcome().Reason;
        EXPECT_EQ(view.textStatus, "変換終了[400]");
        EXPECT_TRUE(dialogs.shown.empty());

        std::vector<std::vector<std::vector<std::int16_t>>> samples;
        if (fileType == FileTypeSdf) {
            samples = SdfSamples(controls.FileName, 3, 400, 2);
        } else {
            std::istringstream text(ReadAll(controls.FileName));
            std::vector<std::string> lines;
            for (std::string line; std::getline(text, line);) {
                lines.push_back(line.substr(0, line.size() - 1));
            }
            ASSERT_EQ(lines.size(), 12u + 3 * 401);
            for (int b = 0; b < 3; ++b) {
                EXPECT_EQ(lines[static_cast<std::size_t>(12 + b * 401)],
                          "No." + std::to_string(b + 1));
                samples.emplace_back();
                for (int i = 0; i < 400; ++i) {
                    std::istringstream row(lines[static_cast<std::size_t>(13 + b * 401 + i)]);
                    std::string a;
                    std::string c;
                    std::getline(row, a, ',');
                    std::getline(row, c, ',');
                    samples.back().push_back({static_cast<std::int16_t>(std::stoi(a)),
                                              static_cast<std::int16_t>(std::stoi(c))});
                }
            }
        }
        int wrong = 0;
        for (const auto& burst : samples) {
            for (std::size_t i = 0; i < burst.size(); ++i) {
                const auto scan = static_cast<std::int64_t>(i);
                wrong += std::abs(burst[i][0] - DemoSquare(scan, 10, 0) * 1000) > 1;
                wrong += std::abs(burst[i][1] - DemoSine(scan, 10, 0) * 1000) > 1;
            }
        }
        EXPECT_EQ(wrong, 0) << (fileType == FileTypeSdf ? "SDF" : "TSD");
        ASSERT_TRUE(card->Description().has_value());
        EXPECT_EQ(card->Description()->Model, "Demo device");
        EXPECT_EQ(card->Description()->Units[0], "V DC");
    }
}

// Amplitude and offset as the device options set them, and a divider in front of the card:
// 1 V ± 2 V stored as is, a 10 V sine behind a divider of 4 stored as ±2.5 V. (The demo of
// libsigrok 0.5.2 writes the scaled samples of a channel with its own amplitude into the
// table of square waves, so no other input may read that table in the same acquisition.)
TEST_F(DemoDeviceTest, StoresTheDevicesOwnAmplitudeAndOffsetAndAppliesTheDivider) {
    settings.Channels[0].Options = {{"pattern", "sine"}, {"amplitude", "2"}, {"offset", "1"}};
    settings.Channels[1].Options = {{"pattern", "sine"}};
    settings.Channels[1].Divider = 4;
    Use("sigrok:demo");
    controls.Iteration = "1";
    controls.FileName = folder.File("scaled.sdf");
    Record();
    const auto samples = SdfSamples(controls.FileName, 1, 400, 2);
    int wrong = 0;
    for (std::size_t i = 0; i < 400; ++i) {
        wrong +=
            std::abs(samples[0][i][0] - DemoSine(static_cast<std::int64_t>(i), 2, 1) * 1000) > 1;
        wrong +=
            std::abs(samples[0][i][1] - DemoSine(static_cast<std::int64_t>(i), 2.5, 0) * 1000) > 1;
    }
    EXPECT_EQ(wrong, 0);
}

// Stop inside the second burst: the burst is written with its missing scans marked, the
// header states two bursts, and no thread of the library and no open device is left.
TEST_F(DemoDeviceTest, StopInsideABurstFinishesTheFileAndLeavesNoThreadBehind) {
    Use("sigrok:demo");
    controls.SInterval = "1";
    controls.SampUnitIndex = 1; // 1 kHz: 400 scans take 0.4 s
    controls.FileName = folder.File("stopped.sdf");
    const int threadsBefore = ThreadsOfThisProcess();
    Record([&] { return run->State().BurstNumber == 2 && run->State().ScansDone >= 100; });
    EXPECT_EQ(run->Outcome().How, RunOutcome::End::Stopped);
    EXPECT_EQ(view.presentStatus, "変換中止");

    TFrmSDFdata reader(dialogs);
    ASSERT_TRUE(reader.ReadSdfHeader(controls.FileName));
    EXPECT_EQ(reader.Record().Iteration, 2);
    const auto samples = SdfSamples(controls.FileName, 2, 400, 2);
    const int converted = run->State().ScansDone;
    EXPECT_GE(converted, 100);
    EXPECT_NE(samples[1][static_cast<std::size_t>(converted) - 1][0], ErrorValue);
    EXPECT_EQ(samples[1][399][0], ErrorValue);
    EXPECT_EQ(samples[1][399][1], ErrorValue);
    EXPECT_EQ(ThreadsOfThisProcess(), threadsBefore);
    // The device was let go: another card can open it at once.
    SigrokCard other(Named("sigrok:demo"), {});
    EXPECT_TRUE(DetectCard(other).has_value());
}

// A run that does not drain for longer than the ring holds (4 M words: one second of four
// channels at 1 MHz) overflows: the run fails with the file finished, and the library's
// thread is gone.
TEST_F(DemoDeviceTest, AnEngineFallingBehindByMoreThanTheRingOverflowsAndStopsCleanly) {
    Use("sigrok:demo");
    controls.SInterval = "1";
    controls.DataNum = "2000000";
    controls.Iteration = "1";
    controls.ChNum = "4";
    controls.ChannelGrid.push_back({"2", "Ch.3", "mV", "1", "0"});
    controls.ChannelGrid.push_back({"3", "Ch.4", "mV", "1", "0"});
    controls.FileName = folder.File("overflow.sdf");
    const int threadsBefore = ThreadsOfThisProcess();
    ASSERT_TRUE(DetectCard(*card).has_value());
    ASSERT_TRUE(run->BtnAdStartClick(controls));
    run->Pass(); // starts the burst
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    while (run->Running()) {
        run->Pass();
        messages.DeliverTo(*run);
    }
    messages.DeliverTo(*run);
    EXPECT_EQ(run->Outcome().How, RunOutcome::End::Failed);
    EXPECT_EQ(run->Outcome().Reason, "リングバッファオーバーフロー!");
    EXPECT_EQ(view.textStatus, "リングバッファオーバーフロー");
    TFrmSDFdata reader(dialogs);
    ASSERT_TRUE(reader.ReadSdfHeader(controls.FileName));
    EXPECT_EQ(reader.Record().Iteration, 1);
    EXPECT_EQ(ThreadsOfThisProcess(), threadsBefore);
}

// Nothing answers: the driver is unknown, an option is not one the driver takes, or the
// driver finds no device (no USB oscilloscope here). Each says what was looked for.
TEST_F(DemoDeviceTest, ADeviceThatIsNotThereIsNoCardWithAMessageNamingIt) {
    SigrokCard unknown(Named("sigrok:no-such-driver"), {});
    EXPECT_FALSE(DetectCard(unknown).has_value());
    EXPECT_EQ(unknown.LastFailure(), "sigrok にドライバ「no-such-driver」はありません。");
    EXPECT_EQ(unknown.InputChannels(), 0);

    SigrokCard wrongOption(Named("sigrok:demo:conn=1.5"), {});
    EXPECT_FALSE(DetectCard(wrongOption).has_value());
    EXPECT_EQ(wrongOption.LastFailure(), "sigrok:demo:conn=1.5 は設定 conn=1.5 を受け付けません。");

    SigrokCard absent(Named("sigrok:hantek-6xxx:conn=250.250"), {});
    EXPECT_FALSE(DetectCard(absent).has_value());
    EXPECT_EQ(absent.LastFailure(), "sigrok:hantek-6xxx:conn=250.250 が見つかりません。");
}

// 3 usec is no whole number of Hz: the check at Start asks the card and refuses it before
// anything is touched; the card asked to take it anyway refuses it with its own words.
TEST_F(DemoDeviceTest, AnIntervalThatIsNoWholeHzRateIsRefused) {
    Use("sigrok:demo");
    ASSERT_TRUE(DetectCard(*card).has_value());
    std::string accepts;
    EXPECT_FALSE(card->AcceptsSamplingInterval(3, 2, accepts));
    EXPECT_EQ(accepts, "1 Hz～1 GHz の逆数、または 1 sec 以上");
    EXPECT_TRUE(card->AcceptsSamplingInterval(4, 2, accepts)) << "250 kHz";
    EXPECT_TRUE(card->AcceptsSamplingInterval(3, 0, accepts)) << "3 s: timed in software";
    EXPECT_EQ(card->InputChannels(), 5);

    controls.SInterval = "3";
    controls.FileName = folder.File("refused.sdf");
    EXPECT_FALSE(run->BtnAdStartClick(controls));
    EXPECT_FALSE(std::filesystem::exists(controls.FileName));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].Text, "サンプリング間隔 3 usec はこのカードでは使えません。\n"
                                     "使える値：1 Hz～1 GHz の逆数、または 1 sec 以上");

    ASSERT_TRUE(GatherSettings(controls, data, runSettings, dialogs, view));
    RunState state;
    EXPECT_EQ(ConfigureCard(*card, messages, data.Record(), runSettings, state),
              ConfigureFreqFailed);
    EXPECT_EQ(card->LastFailure(), "Demo device (demo) はこのサンプリング間隔で"
                                   "計測できません（1 Hz～1 GHz の逆数、または 1 sec 以上）。");
}

TEST_F(DemoDeviceTest, MoreChannelsThanTheDeviceHasAreRefusedNamingIt) {
    Use("sigrok:demo:analog_channels=1");
    controls.FileName = folder.File("two.sdf");
    ASSERT_TRUE(DetectCard(*card).has_value());
    EXPECT_FALSE(run->BtnAdStartClick(controls));
    EXPECT_FALSE(std::filesystem::exists(controls.FileName));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].Text,
              "チャンネル数「2」は使えません。1 ～ 1 の整数で設定して下さい。");

    ASSERT_TRUE(GatherSettings(controls, data, runSettings, dialogs, view));
    RunState state;
    EXPECT_EQ(ConfigureCard(*card, messages, data.Record(), runSettings, state),
              ConfigureChannelFailed);
    EXPECT_EQ(card->LastFailure(),
              "Demo device (demo) のアナログ入力は 1 チャンネルで、2 チャンネルは記録できません。");
}

// A device that ends the acquisition before the burst is complete (the demo stops after one
// frame of 1000 samples when told so): each burst ends abnormally with its missing scans
// marked, the device is looked for anew, and the run goes on.
TEST_F(DemoDeviceTest, ADeviceThatStopsEarlyEndsTheBurstAbnormallyWithTheRestMissing) {
    Use("sigrok:demo:limit_frames=1");
    controls.SInterval = "10";
    controls.DataNum = "1500";
    controls.Iteration = "2";
    controls.FileName = folder.File("early.sdf");
    Record();
    EXPECT_EQ(run->Outcome().How, RunOutcome::End::Completed);
    EXPECT_EQ(view.textStatus, "変換異常で終了");
    EXPECT_EQ(card->LastFailure(),
              "Demo device (demo) のデータが 1000 / 1500 スキャンで途切れました。");
    const auto samples = SdfSamples(controls.FileName, 2, 1500, 2);
    for (const auto& burst : samples) {
        EXPECT_NE(burst[999][0], ErrorValue);
        EXPECT_EQ(burst[1000][0], ErrorValue);
        EXPECT_EQ(burst[1499][1], ErrorValue);
    }
}

// At 1 s the device runs on its own and the card takes the latest reading of each input at
// each second; the demo's square reads only ±10 V.
TEST_F(DemoDeviceTest, OneSecondIntervalsTakeTheLatestReadingAtEachInstant) {
    settings.Channels[0].Options = {{"pattern", "square"}};
    Use("sigrok:demo");
    controls.SInterval = "1";
    controls.SampUnitIndex = 0; // sec
    controls.DataNum = "3";
    controls.Iteration = "1";
    controls.ChNum = "1";
    controls.FileName = folder.File("slow.sdf");
    const auto begin = std::chrono::steady_clock::now();
    Record();
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    EXPECT_EQ(run->Outcome().How, RunOutcome::End::Completed) << run->Outcome().Reason;
    EXPECT_GE(took, 2.0) << "scan 2 exists two seconds after scan 0";
    const auto samples = SdfSamples(controls.FileName, 1, 3, 1);
    for (const auto& scan : samples[0]) {
        EXPECT_TRUE(scan[0] == 10000 || scan[0] == -10000) << scan[0];
    }
}

} // namespace
