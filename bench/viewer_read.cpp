// SPDX-License-Identifier: GPL-3.0-or-later
// The viewer's reading targets, each against plain reads of the same bytes in the same run:
//  - a 2 GiB SDF (4 channels, 1 000 bursts of 268 000 scans): opening and reading + indexing
//    burst 1, then switching to other bursts, cold (the file's pages dropped from the cache
//    with posix_fadvise) and warm; the process's peak resident memory against one burst;
//  - a 1 GiB TSD (4 channels, bursts of 100 000 lines): the first opening, which indexes
//    every block, in MB/s against reading the whole file with read(2); then switching bursts.
// Files go to $TMPDIR (or /tmp) and are deleted. `bench_viewer_read --small` uses files a
// tenth of the size, for a quick look.
#include "bench/RecordingFiles.h"
#include "data/Dialogs.h"
#include "data/PosixFile.h"
#include "data/TFrmSDFdata.h"
#include "export/RecordingSource.h"
#include "viewer/ShownBurst.h"
#include "viewer/ViewedRecording.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace tessary;
using Clock = std::chrono::steady_clock;
using bench::WriteInChild;

namespace {

constexpr int Channels = bench::Channels;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

long StatusKb(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0) {
            return std::atol(line.c_str() + std::strlen(key));
        }
    }
    return -1;
}

// Resets the peak resident size to the current one.
void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

void DropFromCache(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    ::fdatasync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

// Reads `bytes` from `offset` (the whole file with bytes < 0) in 1 MiB reads: the baseline.
double PlainReadMs(const std::string& path, std::int64_t offset, std::int64_t bytes) {
    const auto start = Clock::now();
    const int fd = ::open(path.c_str(), O_RDONLY);
    std::vector<char> buffer(1 << 20);
    std::int64_t done = 0;
    for (;;) {
        const std::int64_t want =
            bytes < 0 ? std::int64_t{1 << 20} : std::min<std::int64_t>(1 << 20, bytes - done);
        if (want <= 0) {
            break;
        }
        const ssize_t n = ::pread(fd, buffer.data(), static_cast<std::size_t>(want), offset + done);
        if (n <= 0) {
            break;
        }
        done += n;
    }
    ::close(fd);
    return Ms(Clock::now() - start);
}

struct Switches {
    double Median = 0.0;
    double Max = 0.0;
};

Switches SwitchBursts(RecordingSource& source, int count, bool cold, const std::string& path) {
    std::mt19937 random(9);
    std::uniform_int_distribution<std::int64_t> pick(1, source.Bursts() - 1);
    std::vector<double> times;
    for (int n = 0; n < count; ++n) {
        if (cold) {
            DropFromCache(path);
        }
        const auto start = Clock::now();
        const auto burst = ShownBurst::Read(source, pick(random));
        times.push_back(Ms(Clock::now() - start));
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.back()};
}

struct Verdict {
    bool Ok = true;
    void Check(bool met, const char* what) {
        std::printf("  %-58s %s\n", what, met ? "met" : "MISSED");
        Ok = Ok && met;
    }
};

void SdfTargets(const std::string& path, std::int32_t scans, std::int16_t bursts,
                Verdict& verdict) {
    WriteInChild(path, false, scans, bursts);
    const auto bytes = static_cast<double>(fs::file_size(path));
    const double burstBytes = double(scans) * Channels * 2;
    std::printf("SDF %.2f GiB, %d channels, %d bursts of %d scans (%.2f MB a burst)\n",
                bytes / (1 << 30), Channels, bursts, scans, burstBytes / 1e6);
    for (const bool cold : {true, false}) {
        if (cold) {
            DropFromCache(path);
        } else {
            PlainReadMs(path, 0, -1); // the whole file in the cache
        }
        ResetPeak();
        const long rssBefore = StatusKb("VmRSS:");
        const auto start = Clock::now();
        ViewedRecording viewed = ViewedRecording::Open(path);
        if (!viewed.Source) {
            std::fprintf(stderr, "%s\n", viewed.Problem.c_str());
            std::exit(1);
        }
        const auto first = ShownBurst::Read(*viewed.Source, 0);
        const double openMs = Ms(Clock::now() - start);
        if (cold) {
            DropFromCache(path);
        }
        const std::int64_t headerBytes = viewed.Source->Contents().Sdf.HeaderBytes;
        const double plainMs = PlainReadMs(path, 0, headerBytes + std::int64_t(burstBytes));
        const Switches switches = SwitchBursts(*viewed.Source, 30, cold, path);
        if (cold) {
            DropFromCache(path);
        }
        const double plainBurstMs = PlainReadMs(
            path, headerBytes + bursts / 2 * std::int64_t(burstBytes), std::int64_t(burstBytes));
        const double peakMb = (StatusKb("VmHWM:") - rssBefore) / 1024.0;
        std::printf(" %s\n", cold ? "cold (pages dropped before each step)" : "warm");
        std::printf(
            "  open + show burst 1     %8.1f ms   (plain read of header + burst: %.1f ms)\n",
            openMs, plainMs);
        std::printf("  switch burst            %8.1f ms median, %.1f ms max of 30 "
                    "(plain read of a burst: %.1f ms)\n",
                    switches.Median, switches.Max, plainBurstMs);
        std::printf("  peak memory added       %8.1f MB   (one burst %.1f MB, + 64 MB allowed)\n",
                    peakMb, burstBytes / 1e6);
        verdict.Check(openMs < 500.0, "SDF: open and show burst 1 < 0.5 s");
        verdict.Check(switches.Max < 50.0, "SDF: switch to another burst < 50 ms");
        verdict.Check(peakMb <= burstBytes / (1 << 20) + 64.0, "SDF: memory <= one burst + 64 MB");
        (void)first;
    }
}

void TsdTargets(const std::string& path, std::int32_t lines, std::int16_t bursts,
                Verdict& verdict) {
    WriteInChild(path, true, lines, bursts);
    const auto bytes = static_cast<double>(fs::file_size(path));
    std::printf("TSD %.2f GiB, %d channels, %d bursts of %d lines\n", bytes / (1 << 30), Channels,
                bursts, lines);
    PlainReadMs(path, 0, -1);
    const double plainMs = PlainReadMs(path, 0, -1);
    ResetPeak();
    const long rssBefore = StatusKb("VmRSS:");
    std::int64_t reports = 0;
    const auto start = Clock::now();
    ViewedRecording viewed = ViewedRecording::Open(path, [&](std::int64_t, std::int64_t) {
        ++reports;
        return true;
    });
    const double indexMs = Ms(Clock::now() - start);
    if (!viewed.Source) {
        std::fprintf(stderr, "%s\n", viewed.Problem.c_str());
        std::exit(1);
    }
    const Switches switches = SwitchBursts(*viewed.Source, 20, false, path);
    const double peakMb = (StatusKb("VmHWM:") - rssBefore) / 1024.0;
    const double rate = bytes / 1e6 / (indexMs / 1000.0);
    std::printf(" warm\n");
    std::printf("  index every block       %8.1f ms = %.0f MB/s, %lld progress reports "
                "(plain read of the file: %.0f MB/s)\n",
                indexMs, rate, static_cast<long long>(reports), bytes / 1e6 / (plainMs / 1000.0));
    std::printf("  switch burst            %8.1f ms median, %.1f ms max of 20\n", switches.Median,
                switches.Max);
    std::printf("  peak memory added       %8.1f MB (%lld blocks found)\n", peakMb,
                static_cast<long long>(viewed.Source->Bursts()));
    verdict.Check(viewed.Source->Bursts() == bursts, "TSD: every block found");
    verdict.Check(rate >= 200.0, "TSD: indexing >= 200 MB/s warm");
    verdict.Check(switches.Max < 100.0, "TSD: switch to another burst < 100 ms");
}

} // namespace

int main(int argc, char** argv) {
    const bool small = argc > 1 && std::strcmp(argv[1], "--small") == 0;
    const char* tmp = std::getenv("TMPDIR");
    const fs::path folder = fs::path(tmp != nullptr ? tmp : "/tmp") /
                            ("tessary-viewer-bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    Verdict verdict;
    SdfTargets((folder / "big.sdf").string(), 268000, small ? 100 : 1000, verdict);
    fs::remove(folder / "big.sdf");
    TsdTargets((folder / "big.tsd").string(), 100000, small ? 47 : 470, verdict);
    fs::remove_all(folder);
    std::printf("%s\n", verdict.Ok ? "all targets met" : "some targets missed");
    return verdict.Ok ? 0 : 1;
}
