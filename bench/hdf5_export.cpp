// SPDX-License-Identifier: GPL-3.0-or-later
// HDF5 export of a 1 GiB SDF recording (4 channels, 128 bursts of 1 048 576 scans, 8 MiB a
// burst) against cp of the same file in the same run, medians of 5 rounds. The export forces
// its result to the disk before renaming it into place, so cp followed by a sync of the copy
// is shown beside plain cp. Peak memory of the export is compared with one burst + 32 MB; the
// compressed export (which passes every burst through memory) is measured once. Files go to
// $TMPDIR (or /tmp) and are deleted.
#include "bench/CliBeside.h"
#include "data/SdfWriter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace tessary;

namespace {

constexpr int Channels = 4;
constexpr int DataNum = 1 << 20;
constexpr int Bursts = 128;
constexpr int Rounds = 5;
constexpr double BurstBytes = 2.0 * Channels * DataNum;

std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

void WriteRecording(const fs::path& path) {
    MeasurementParameters record;
    record.ChNum = Channels;
    record.DataNum = DataNum;
    record.Iteration = Bursts;
    record.SInterval = 10;
    record.SITUnit = UnitUsec;
    record.BInterval = 20;
    record.BITUnit = UnitSec;
    for (int c = 0; c < Channels; ++c) {
        record.Channel(c) = {"Ch." + std::to_string(c + 1), "mV", 1.0f, 0.0f};
    }
    const std::string header = SdfWriter::EncodeHeader(record);
    std::vector<std::int16_t> burst(static_cast<std::size_t>(DataNum) * Channels);
    std::uint32_t state = 12345;
    std::ofstream out(path, std::ios::binary);
    out.write(header.data(), static_cast<std::streamsize>(header.size()));
    for (int k = 0; k < Bursts; ++k) {
        for (auto& value : burst) {
            state = state * 1664525u + 1013904223u;
            value = static_cast<std::int16_t>((state >> 16) % 8000) - 4000;
        }
        out.write(reinterpret_cast<const char*>(burst.data()),
                  static_cast<std::streamsize>(burst.size() * 2));
    }
    if (!out.flush()) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

struct Run {
    double Wall = 0;
    double PeakMiB = 0; // largest resident size of the command
};

// Runs a command, without a shell, and measures it.
Run Measure(std::vector<std::string> args) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "failed: %s\n", args[0].c_str());
        std::exit(1);
    }
    return {wall, static_cast<double>(usage.ru_maxrss) / 1024.0};
}

// Each measurement starts on a quiet disk: earlier writes and deletions are finished.
void Settle() {
    ::sync();
    ::sleep(1);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main() {
    const std::string cli = CliBeside();
    if (::access(cli.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "bench_hdf5_export: %s is not built\n", cli.c_str());
        return 1;
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr ? tmp : "/tmp") + "/bench-hdf5-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path folder = pattern;
    const std::string input = (folder / "run.sdf").string();
    const std::string copy = (folder / "copy.sdf").string();
    const std::string output = (folder / "run.h5").string();
    std::printf("load average before: %s\n", LoadAverage().c_str());
    WriteRecording(input);
    const double mib = static_cast<double>(fs::file_size(input)) / (1 << 20);

    std::vector<double> cp, cpSync, exported, peak;
    for (int round = 0; round < Rounds; ++round) {
        Settle();
        cp.push_back(Measure({"/bin/cp", input, copy}).Wall);
        fs::remove(copy);
        Settle();
        cpSync.push_back(
            Measure({"/bin/sh", "-c", "cp '" + input + "' '" + copy + "' && sync '" + copy + "'"})
                .Wall);
        fs::remove(copy);
        Settle();
        const Run run = Measure({cli, "export", input, "-o", output});
        exported.push_back(run.Wall);
        peak.push_back(run.PeakMiB);
        fs::remove(output);
        std::printf("round %d: cp %.3f s, cp + sync %.3f s, export %.3f s (peak %.1f MiB)\n",
                    round + 1, cp.back(), cpSync.back(), exported.back(), peak.back());
    }
    Settle();
    const Run compressed = Measure({cli, "export", input, "-o", output, "--compress"});
    const double compressedMiB = static_cast<double>(fs::file_size(output)) / (1 << 20);
    fs::remove_all(folder);

    const double limit = BurstBytes / (1 << 20) + 32e6 / (1 << 20);
    std::printf("input %.1f MiB (%d bursts of %d x %d); medians of %d\n", mib, Bursts, DataNum,
                Channels, Rounds);
    std::printf("                     wall     throughput\n");
    const auto line = [mib](const char* name, double wall) {
        std::printf("%-20s %6.3f s %8.1f MiB/s\n", name, wall, mib / wall);
    };
    line("cp", Median(cp));
    line("cp + sync of copy", Median(cpSync));
    line("export to HDF5", Median(exported));
    std::printf("export throughput / cp: %.2f (target >= 0.5); / (cp + sync): %.2f\n",
                Median(cp) / Median(exported), Median(cpSync) / Median(exported));
    std::printf("export peak memory %.1f MiB, limit one burst + 32 MB = %.1f MiB: %s\n",
                *std::max_element(peak.begin(), peak.end()), limit,
                *std::max_element(peak.begin(), peak.end()) <= limit ? "within" : "ABOVE");
    std::printf("compressed export %.3f s, %.1f MiB written, peak memory %.1f MiB: %s\n",
                compressed.Wall, compressedMiB, compressed.PeakMiB,
                compressed.PeakMiB <= limit ? "within" : "ABOVE");
    std::printf("load average after: %s\n", LoadAverage().c_str());
    return 0;
}
