// SPDX-License-Identifier: GPL-3.0-or-later
// What forcing each block to the disk costs a run: 4 channels at 1 µs, bursts of 1 000 000
// scans (8 MB of SDF, about 28 MB of TSD text) back to back on the burst interval of 1 s, on
// this machine's disk (the current folder), with the simulated card in real time.
//
// Each mode records the same run: blocks not forced to the disk; forced on the writer thread
// (the program's way); and forced with the run waiting for each block on its own thread, as a
// writer on the draining path would. For each: wall time, CPU (all threads, share of one
// core), and how late each burst started against its schedule (burst n is due n − 1 seconds
// after burst 1 started), median and worst. Other engineers build on this machine: the load
// averages are printed with the figures.
#include "acquisition/CardMessageQueue.h"
#include "acquisition/RunControl.h"
#include "acquisition/SimulatedCard.h"
#include "data/Clock.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace tessary;
using Steady = std::chrono::steady_clock;

constexpr int Bursts = 8;

class PrintingDialogs final : public Dialogs {
public:
    MessageAnswer Show(MessageKind, const std::string& text, MessageButtons) override {
        std::fprintf(stderr, "box: %s\n", text.c_str());
        return MessageAnswer::Yes;
    }
};

// Notes when each burst began ("n回目の計測") and when the run ended.
class TimingView final : public RunView {
public:
    void SetEditPresentStatus(const std::string& text) override {
        present = text;
        if (text.ends_with("回目の計測")) {
            starts.push_back(Steady::now());
        } else if (text.ends_with("回目の計測待ち")) {
            ++completed;
        }
    }
    void SetEditTime(const std::string&) override {}
    void SetTextStatus(const std::string&) override {}
    void SetProgressBar1(int) override {}
    void SetBtnAdStartEnabled(bool) override {}
    void SetBtnAdStopEnabled(bool) override {}
    void DisableMenus() override {}
    void EnableMenus() override {}
    void SetupCharts() override {}
    void ShowConvertedScans(std::int32_t) override {}
    void Panel2Resize() override {}

    std::string present;
    std::vector<Steady::time_point> starts;
    int completed = 0;
};

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

std::string LoadAverages() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

enum class Mode { NotSynced, SyncedOnWriterThread, SyncedOnRunThread };

void Record(Mode mode, bool tsd, const std::string& path) {
    SimulatedCard card(SimulatedCardSettings{});
    CardMessageQueue messages;
    SystemClock clock;
    PrintingDialogs dialogs;
    TimingView view;
    TFrmSDFdata data(dialogs);
    RunSettings settings;
    RunControl run(card, messages, data, settings, view, dialogs, clock);
    run.SetDurableWrites(mode != Mode::NotSynced);

    ControlValues controls;
    controls.FileName = path;
    controls.FileType = tsd ? FileTypeTsd : FileTypeSdf;
    controls.WaitTime = "0";
    controls.SInterval = "1";
    controls.SampUnitIndex = 2; // usec
    controls.DataNum = "1000000";
    controls.Iteration = std::to_string(Bursts);
    controls.BurstInterval = "1";
    controls.BurstUnitIndex = 0; // sec
    controls.ChNum = "4";
    controls.ChannelGrid.resize(1);
    for (int c = 0; c < 4; ++c) {
        controls.ChannelGrid.push_back({std::to_string(c), "Ch", "mV", "1", "0"});
    }

    std::filesystem::remove(path);
    const double cpu0 = CpuSeconds();
    const auto t0 = Steady::now();
    if (!run.BtnAdStartClick(controls)) {
        std::printf("the run did not start\n");
        return;
    }
    int waited = 0;
    while (run.Running()) {
        const auto wait = run.Pass();
        messages.DeliverTo(run);
        if (mode == Mode::SyncedOnRunThread && view.completed > waited) {
            waited = view.completed;
            run.WaitForWrites();
        }
        std::this_thread::sleep_for(wait);
    }
    const double seconds = std::chrono::duration<double>(Steady::now() - t0).count();
    const double cpu = CpuSeconds() - cpu0;

    std::vector<double> late;
    for (std::size_t n = 0; n < view.starts.size(); ++n) {
        const auto due = view.starts[0] + std::chrono::seconds(static_cast<long>(n));
        late.push_back(std::chrono::duration<double, std::milli>(view.starts[n] - due).count());
    }
    std::sort(late.begin(), late.end());
    const char* names[] = {"not synced", "synced, writer thread", "synced, run waits"};
    std::printf("%-4s %-23s %-9s %8.2f s %7.1f %% %10.1f ms %10.1f ms  %s\n", tsd ? "TSD" : "SDF",
                names[static_cast<int>(mode)], view.present == "変換終了" ? "complete" : "FAILED",
                seconds, cpu / seconds * 100, late.empty() ? 0.0 : late[late.size() / 2],
                late.empty() ? 0.0 : late.back(), LoadAverages().c_str());
    std::fflush(stdout);
    std::filesystem::remove(path);
}

} // namespace

int main() {
    const std::string path =
        (std::filesystem::current_path() / ("bench_durability_" + std::to_string(getpid())))
            .string();
    std::printf("%d bursts of 1000000 scans x 4 channels at 1 usec, burst interval 1 s, into %s\n",
                Bursts, std::filesystem::current_path().c_str());
    std::printf("%-4s %-23s %-9s %10s %9s %13s %13s  %s\n", "file", "writing", "result", "wall",
                "CPU", "late median", "late worst", "load (1/5/15 min)");
    for (const bool tsd : {false, true}) {
        for (const Mode mode :
             {Mode::NotSynced, Mode::SyncedOnWriterThread, Mode::SyncedOnRunThread}) {
            Record(mode, tsd, path + (tsd ? ".tsd" : ".sdf"));
        }
    }
    return 0;
}
