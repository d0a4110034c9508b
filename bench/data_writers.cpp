// SPDX-License-Identifier: GPL-3.0-or-later
// Data-file writers against their baselines, measured in one run:
// - SDF blocks of 1 KiB and 8 MiB against a plain open/pwrite/close of the same bytes at the
//   same offsets (targets: within 1.5x for small, 1.2x for large blocks);
// - TSD blocks in values per second, file I/O included, against formatting the same
//   engineering values with snprintf("%.7G") into memory (target: faster).
#include "data/Dialogs.h"
#include "data/TFrmSDFdata.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <string>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

class NoDialogs : public tessary::Dialogs {
public:
    tessary::MessageAnswer Show(tessary::MessageKind, const std::string&,
                                tessary::MessageButtons) override {
        return tessary::MessageAnswer::Ok;
    }
};

// CPU seconds of this thread, kernel time in its system calls included. The machine is
// shared: wall-clock times of calls that last milliseconds grow with every other process
// that takes the core, CPU times do not.
double ThreadSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

struct Times {
    double Wall;
    double Cpu;
};

double Median(std::vector<double>& v) {
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

// Median wall and CPU seconds per call of `a` and of `b`, called alternately for ~0.7 s so
// that both see the same page cache, write-back and machine load.
template <typename A, typename B> std::pair<Times, Times> PairedSecondsPerCall(A&& a, B&& b) {
    std::vector<double> wa, wb, ca, cb;
    const auto start = Clock::now();
    long calls = 0;
    while (calls < 5 || Clock::now() - start < std::chrono::milliseconds(700)) {
        const auto t0 = Clock::now();
        const double c0 = ThreadSeconds();
        a(calls);
        const auto t1 = Clock::now();
        const double c1 = ThreadSeconds();
        b(calls);
        const auto t2 = Clock::now();
        const double c2 = ThreadSeconds();
        wa.push_back(std::chrono::duration<double>(t1 - t0).count());
        wb.push_back(std::chrono::duration<double>(t2 - t1).count());
        ca.push_back(c1 - c0);
        cb.push_back(c2 - c1);
        ++calls;
    }
    return {{Median(wa), Median(ca)}, {Median(wb), Median(cb)}};
}

void Fail(const char* what) {
    std::fprintf(stderr, "%s failed\n", what);
    std::exit(1);
}

struct Bench {
    std::filesystem::path folder;
    NoDialogs dialogs;
    tessary::TFrmSDFdata holder{dialogs};
    tessary::MeasurementParameters& r = holder.Record();

    void Fill(int channels, int steps, float a, float b) {
        r = tessary::MeasurementParameters{};
        r.ChNum = static_cast<std::int16_t>(channels);
        r.DataNum = steps;
        r.SInterval = 1;
        r.SITUnit = tessary::UnitMsec;
        r.Iteration = 100;
        r.BInterval = 1;
        r.BITUnit = tessary::UnitSec;
        for (int c = 0; c < channels; ++c) {
            r.Channels[static_cast<std::size_t>(c)] = {"Ch." + std::to_string(c + 1), "mV", a, b};
        }
        r.AllocateSampleBuffers();
        std::mt19937 rng(7);
        std::normal_distribution<double> noise(0, 2000);
        for (int c = 0; c < channels; ++c) {
            for (auto& s : r.Samples[static_cast<std::size_t>(c)]) {
                s = static_cast<std::int16_t>(std::clamp(noise(rng), -32767.0, 32767.0));
            }
        }
    }

    // Bytes of block k exactly as the layout stores them, for the baseline.
    std::vector<unsigned char> BlockBytes() const {
        std::vector<unsigned char> out;
        for (int s = 0; s < r.DataNum; ++s) {
            for (int c = 0; c < r.ChNum; ++c) {
                const auto v = static_cast<std::uint16_t>(
                    r.Samples[static_cast<std::size_t>(c)][static_cast<std::size_t>(s)]);
                out.push_back(static_cast<unsigned char>(v & 0xFF));
                out.push_back(static_cast<unsigned char>(v >> 8));
            }
        }
        return out;
    }

    void Sdf(const char* name, int channels, int steps, int blocks) {
        Fill(channels, steps, 1.0f, 0.0f);
        const std::string ours = (folder / "ours.sdf").string();
        const std::string plain = (folder / "plain.sdf").string();
        r.TargetFileName = ours;
        if (!holder.WriteSdfHeader(ours) || !holder.WriteSdfHeader(plain)) {
            Fail("SDF header");
        }
        r.ComputeDerivedSizes();
        const std::vector<unsigned char> bytes = BlockBytes();
        const off_t header = static_cast<off_t>(r.HeaderBlocks) * 256;
        const auto [tOurs, tPlain] = PairedSecondsPerCall(
            [&](long k) {
                if (!holder.WriteSdfBlock(static_cast<std::int32_t>(k % blocks))) {
                    Fail("WriteSdfBlock");
                }
            },
            [&](long k) {
                const int fd = open(plain.c_str(), O_WRONLY);
                const off_t at = header + static_cast<off_t>(k % blocks) * r.BlockBytes;
                if (fd < 0 ||
                    pwrite(fd, bytes.data(), bytes.size(), at) !=
                        static_cast<ssize_t>(bytes.size()) ||
                    close(fd) != 0) {
                    Fail("plain pwrite");
                }
            });
        std::printf("SDF %-20s WriteSdfBlock %9.2f us (cpu %9.2f)   open/pwrite/close %9.2f us "
                    "(cpu %9.2f)   ratio %.2fx (cpu %.2fx)\n",
                    name, tOurs.Wall * 1e6, tOurs.Cpu * 1e6, tPlain.Wall * 1e6, tPlain.Cpu * 1e6,
                    tOurs.Wall / tPlain.Wall, tOurs.Cpu / tPlain.Cpu);
        std::filesystem::remove(ours);
        std::filesystem::remove(plain);
    }

    void Tsd(const char* name, int channels, int steps, float a, float b) {
        Fill(channels, steps, a, b);
        const std::string path = (folder / "run.tsd").string();
        r.TargetFileName = path;
        const double values = static_cast<double>(channels) * steps;
        std::vector<char> text(static_cast<std::size_t>(values) * 32);
        const auto [tOurs, tPrintf] = PairedSecondsPerCall(
            [&](long k) {
                if (k % 64 == 0 && !holder.WriteTsdHeader(path)) {
                    Fail("WriteTsdHeader");
                }
                if (!holder.WriteTsdBlock(static_cast<std::int32_t>(k))) {
                    Fail("WriteTsdBlock");
                }
            },
            [&](long) {
                char* out = text.data();
                for (int s = 0; s < steps; ++s) {
                    for (int c = 0; c < channels; ++c) {
                        const auto& spec = r.Channels[static_cast<std::size_t>(c)];
                        const long double x =
                            r.Samples[static_cast<std::size_t>(c)][static_cast<std::size_t>(s)];
                        const auto v = static_cast<double>(spec.A * x + spec.B);
                        out += std::snprintf(out, 32, "%.7G", v);
                        *out++ = ',';
                    }
                }
                if (out == text.data()) {
                    Fail("snprintf");
                }
            });
        std::printf("TSD %-20s WriteTsdBlock %6.1f M values/s (cpu %6.1f)   snprintf %%.7G %6.1f M "
                    "values/s (cpu %6.1f)   ratio %.2fx (cpu %.2fx)\n",
                    name, values / tOurs.Wall / 1e6, values / tOurs.Cpu / 1e6,
                    values / tPrintf.Wall / 1e6, values / tPrintf.Cpu / 1e6,
                    tPrintf.Wall / tOurs.Wall, tPrintf.Cpu / tOurs.Cpu);
        std::filesystem::remove(path);
    }
};

} // namespace

int main() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tessary-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        Fail("mkdtemp");
    }
    Bench bench;
    bench.folder = pattern;
    std::printf("files in %s\n", pattern.c_str());
    bench.Sdf("1 KiB, 1 channel", 1, 512, 64);
    bench.Sdf("1 KiB, 4 channels", 4, 128, 64);
    bench.Sdf("8 MiB, 1 channel", 1, 4 << 20, 4);
    bench.Sdf("8 MiB, 4 channels", 4, 1 << 20, 4);
    bench.Tsd("4 ch, A 1 B 0", 4, 10000, 1.0f, 0.0f);
    bench.Tsd("4 ch, A 0.001 B 0.5", 4, 10000, 0.001f, 0.5f);
    bench.Tsd("1 ch x 512, A 1 B 0", 1, 512, 1.0f, 0.0f);
    std::filesystem::remove_all(bench.folder);
    return 0;
}
