// SPDX-License-Identifier: GPL-3.0-or-later
// What `repair` costs, against its baselines measured in the same run.
//
// A cut-off TSD file of 1 GiB whose burst-count line changes its length ("100" planned, 47
// complete blocks, part of a 48th): repair reads it once to find its complete blocks, then
// copies it beside itself with the new count and forces the copy to the disk. The target is at
// most twice `cp` of the same file followed by `sync`. Both start with the file in the page
// cache and forced to the disk; the machine is shared, so the load averages are printed.
//
// A cut-off SDF file of 2 GiB (sparse: repair reads only its header and length): repair
// writes the count in place and forces it to the disk. The target is under 50 ms.
#include "data/DateTime.h"
#include "data/Dialogs.h"
#include "data/RecordingContents.h"
#include "data/RecordingRepair.h"
#include "data/TFrmSDFdata.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace tessary;
using Steady = std::chrono::steady_clock;

class PrintingDialogs final : public Dialogs {
public:
    MessageAnswer Show(MessageKind, const std::string& text, MessageButtons) override {
        std::fprintf(stderr, "box: %s\n", text.c_str());
        return MessageAnswer::No;
    }
};

std::string LoadAverages() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

template <typename Work> double Seconds(Work&& work) {
    const auto t0 = Steady::now();
    work();
    return std::chrono::duration<double>(Steady::now() - t0).count();
}

void Shell(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
}

MeasurementParameters Header(std::int16_t channels, std::int32_t dataNum, std::int16_t bursts) {
    MeasurementParameters r;
    r.Memo = "repair bench";
    r.ChNum = channels;
    r.DataNum = dataNum;
    r.SInterval = 1;
    r.SITUnit = UnitUsec;
    r.Iteration = bursts;
    r.BInterval = 1;
    r.BITUnit = UnitSec;
    r.StartTime = EncodeDateTime({2025, 2, 3, 4, 5, 6, 789});
    for (int c = 0; c < channels; ++c) {
        r.Channels[static_cast<std::size_t>(c)] = {"Ch." + std::to_string(c + 1), "mV", 1, 0};
    }
    return r;
}

// A TSD header planning 100 bursts, 47 blocks of 1 000 000 scans of 4 channels, half a 48th.
void MakeCutOffTsd(const std::string& path) {
    PrintingDialogs dialogs;
    TFrmSDFdata holder(dialogs);
    holder.Record() = Header(4, 1000000, 100);
    if (!holder.WriteTsdHeader(path)) {
        std::exit(1);
    }
    std::string lines;
    for (int i = 0; i < 1000000; ++i) {
        const int v = (i % 20001) - 10000;
        lines += std::to_string(v) + "," + std::to_string(-v) + "," + std::to_string(v / 2) + "," +
                 std::to_string(v / 3) + "\r\n";
    }
    std::ofstream out(path, std::ios::binary | std::ios::app);
    for (int k = 1; k <= 47; ++k) {
        out << "No." << k << "\r\n" << lines;
    }
    out << "No.48\r\n" << lines.substr(0, lines.size() / 2);
}

} // namespace

int main() {
    const std::filesystem::path folder = std::filesystem::current_path();
    const std::string tsd =
        (folder / ("bench_repair_" + std::to_string(getpid()) + ".tsd")).string();
    const std::string copy = tsd + ".cp";
    const std::string sdf =
        (folder / ("bench_repair_" + std::to_string(getpid()) + ".sdf")).string();
    PrintingDialogs dialogs;

    MakeCutOffTsd(tsd);
    Shell("sync");
    const auto size = std::filesystem::file_size(tsd);
    std::printf("cut-off TSD of %.2f GiB in %s (the count line goes from 100 to 47)\n",
                static_cast<double>(size) / (1 << 30), folder.c_str());
    std::printf("load before: %s\n", LoadAverages().c_str());
    const double baseline = Seconds([&] { Shell("cp '" + tsd + "' '" + copy + "' && sync"); });
    std::filesystem::remove(copy);
    Shell("sync");
    // The look alone, which repair begins with, to tell its share from the copy's.
    MeasurementParameters header;
    const double look = Seconds([&] { ExamineRecording(tsd, dialogs, header); });
    std::optional<RecordingRepair::Report> report;
    const double repair = Seconds([&] { report = RecordingRepair::Repair(tsd, dialogs); });
    const bool repaired = report && report->Result == RecordingRepair::Outcome::Repaired &&
                          report->Copied && report->Found.CompleteBursts == 47;
    std::printf("cp + sync: %.2f s   repair: %.2f s (%s; reading it alone %.2f s)   ratio %.2f "
                "(target <= 2)   load %s\n",
                baseline, repair, repaired ? "47 bursts, through a copy" : "NOT REPAIRED", look,
                repair / baseline, LoadAverages().c_str());
    std::filesystem::remove(tsd);

    // SDF: 2 GiB sparse, 2 channels of 100 000 data (400 kB a block), the count 5000 planned.
    std::vector<double> times;
    for (int round = 0; round < 9; ++round) {
        {
            TFrmSDFdata holder(dialogs);
            holder.Record() = Header(2, 100000, 5000);
            if (!holder.WriteSdfHeader(sdf) ||
                ::truncate(sdf.c_str(), 512 + 5000LL * 400000 - 7) != 0) {
                return 1;
            }
        }
        times.push_back(Seconds([&] { report = RecordingRepair::Repair(sdf, dialogs); }) * 1000);
        if (!report || report->Result != RecordingRepair::Outcome::Repaired ||
            report->Found.CompleteBursts != 4999) {
            std::printf("SDF NOT REPAIRED\n");
            return 1;
        }
    }
    std::sort(times.begin(), times.end());
    std::printf("cut-off SDF of 2 GiB (4999 of 5000 blocks): repair median %.2f ms, worst %.2f ms "
                "(target < 50 ms)   load %s\n",
                times[times.size() / 2], times.back(), LoadAverages().c_str());
    std::filesystem::remove(sdf);
    return 0;
}
