// SPDX-License-Identifier: GPL-3.0-or-later
// The fastest sampling at which run control with the simulated card records 10 bursts of
// 100 000 scans without falling behind, for 1 and 4 channels. Runs headless in real time,
// with a view that counts the scans it is told of, into an SDF file in the temporary folder.
//
// The ring the program asks for holds a whole burst, so it cannot overflow; to see whether
// the engine keeps up, the card's ring is also limited to 65 536 words (16 ms of data at
// 1 µs with 4 channels): a run that completes with it never fell that far behind.
#include "acquisition/CardMessageQueue.h"
#include "acquisition/RunControl.h"
#include "acquisition/SimulatedCard.h"
#include "data/Clock.h"

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace tessary;

class PrintingDialogs final : public Dialogs {
public:
    MessageAnswer Show(MessageKind, const std::string& text, MessageButtons) override {
        std::fprintf(stderr, "box: %s\n", text.c_str());
        return MessageAnswer::Yes;
    }
};

// Counts the converted scans it is told of; the charts draw from the run's own buffers.
class CountingView final : public RunView {
public:
    void SetEditPresentStatus(const std::string& text) override { present = text; }
    void SetEditTime(const std::string&) override {}
    void SetTextStatus(const std::string& text) override { status = text; }
    void SetProgressBar1(int) override {}
    void SetBtnAdStartEnabled(bool) override {}
    void SetBtnAdStopEnabled(bool) override {}
    void DisableMenus() override {}
    void EnableMenus() override {}
    void SetupCharts() override { burstScans = 0; }
    void ShowConvertedScans(std::int32_t converted) override {
        scans += static_cast<std::size_t>(converted - burstScans);
        burstScans = converted;
    }
    void Panel2Resize() override {}

    std::string present;
    std::string status;
    std::size_t scans = 0;
    std::int32_t burstScans = 0;
};

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

struct Outcome {
    bool Completed = false;
    double Seconds = 0;
    double CpuShare = 0;
    std::size_t Scans = 0;
};

Outcome Record(int channels, int intervalUs, std::int32_t ringWords, const std::string& path) {
    SimulatedCardSettings cardSettings;
    cardSettings.RingBufferWords = ringWords;
    SimulatedCard card(cardSettings);
    CardMessageQueue messages;
    SystemClock clock;
    PrintingDialogs dialogs;
    CountingView view;
    TFrmSDFdata data(dialogs);
    RunSettings settings;
    RunControl run(card, messages, data, settings, view, dialogs, clock);

    // Texts are assigned as strings: GCC 12 at -O3 takes the assignment of a bare literal
    // here for an overlapping copy.
    using namespace std::string_literals;
    ControlValues controls;
    controls.FileName = path;
    controls.WaitTime = "0"s;
    controls.SInterval = std::to_string(intervalUs);
    controls.SampUnitIndex = 2; // usec
    controls.DataNum = "100000"s;
    controls.Iteration = "10"s;
    controls.BurstInterval = "0"s; // each burst as soon as the last is written
    controls.BurstUnitIndex = 0;
    controls.ChNum = std::to_string(channels);
    controls.ChannelGrid.resize(1);
    for (int c = 0; c < channels; ++c) {
        controls.ChannelGrid.push_back({std::to_string(c), "Ch", "mV", "1", "0"});
    }

    std::filesystem::remove(path);
    const double cpu0 = CpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    if (!run.BtnAdStartClick(controls)) {
        return {};
    }
    while (run.Running()) {
        const auto wait = run.Pass();
        messages.DeliverTo(run);
        std::this_thread::sleep_for(wait);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    Outcome outcome;
    outcome.Completed = view.present == "変換終了";
    outcome.Seconds = seconds;
    outcome.CpuShare = (CpuSeconds() - cpu0) / seconds;
    outcome.Scans = view.scans;
    return outcome;
}

} // namespace

int main() {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("bench_acquisition_" + std::to_string(getpid()) + ".sdf"))
                                 .string();
    std::printf("10 bursts x 100000 scans, simulated card (sine), headless\n"
                "(1 usec is the card's shortest interval)\n");
    std::printf("%-9s %-10s %-14s %-10s %9s %8s %12s\n", "channels", "interval", "card ring",
                "result", "seconds", "CPU", "scans");
    for (const int channels : {1, 4}) {
        int fastest = 0;
        for (const int intervalUs : {1, 2, 5, 10, 20, 50}) {
            bool keptUp = true;
            for (const std::int32_t ring : {0, 65536}) {
                const Outcome o = Record(channels, intervalUs, ring, path);
                std::printf("%-9d %4d usec  %-14s %-10s %9.2f %7.1f%% %12zu\n", channels,
                            intervalUs, ring == 0 ? "whole burst" : "65536 words",
                            o.Completed ? "complete" : "OVERFLOW", o.Seconds, o.CpuShare * 100,
                            o.Scans);
                std::fflush(stdout);
                keptUp = keptUp && o.Completed;
            }
            if (keptUp) {
                fastest = intervalUs;
                break;
            }
        }
        std::printf("=> %d channel(s): fastest without overflow %d usec (%.0f scans/s)\n\n",
                    channels, fastest, fastest > 0 ? 1e6 / fastest : 0.0);
    }
    std::filesystem::remove(path);
    return 0;
}
