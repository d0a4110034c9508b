// SPDX-License-Identifier: GPL-3.0-or-later
// tessary-cli record from libsigrok's demo device, 4 analog channels, 3 bursts of one second
// back to back, at 100 kHz and 1 MHz, against the same acquisition through sigrok-cli measured
// in the same run. First it finds the fastest rate at which the demo device itself keeps real
// time here: sigrok-cli acquires one second of 4 channels into its binary WAV writer
// (-O wav -o /dev/null) at rising rates; a rate is kept when the run ends within 10 % of a
// second after sigrok-cli's own start-up time. Reports wall and CPU time of each, the CPU
// share (CPU time / wall time), whether Tessary's ring overflowed, and checks every stored
// sample against the demo's patterns. Exit status 1 when a recording is incomplete or wrong.
#include "bench/CliBeside.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int Channels = 4;
constexpr int Bursts = 3;

struct Usage {
    int Status = -1;
    double Wall = 0;
    double Cpu = 0;
};

std::string Text(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

double CpuSeconds(const rusage& usage) {
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs `args` with stdout and stderr into `log`; wall and CPU time of that child alone.
Usage Run(const std::vector<std::string>& args, const std::filesystem::path& log) {
    std::fflush(stdout); // or the child would print what the parent has buffered
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::freopen(log.c_str(), "w", stdout);
        std::freopen(log.c_str(), "a", stderr);
        std::vector<char*> argv;
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    Usage usage;
    rusage child{};
    ::wait4(pid, &usage.Status, 0, &child);
    usage.Wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    usage.Cpu = CpuSeconds(child);
    return usage;
}

std::vector<std::string> SigrokCli(std::uint64_t rate, std::uint64_t samples, const char* format) {
    return {"sigrok-cli",
            "--driver",
            "demo",
            "--channels",
            "A0,A1,A2,A3",
            "--config",
            "samplerate=" + std::to_string(rate),
            "--samples",
            std::to_string(samples),
            "-O",
            format,
            "-o",
            "/dev/null"};
}

std::string Load() {
    return Text("/proc/loadavg").substr(0, 14);
}

// The demo's square (inputs 1 and 3) and sine (2 and 4) in mV, 20 samples a period.
double Expected(std::int64_t scan, int channel) {
    if (channel % 2 == 0) {
        return scan % 10 < 5 ? -10000 : 10000;
    }
    return 10000 * std::sin(2 * std::numbers::pi * static_cast<double>(scan % 20) / 20);
}

void Print(const char* what, const Usage& u) {
    std::printf("  %-26s wall %6.2f s  CPU %5.2f s  (%5.1f %% of one core)%s\n", what, u.Wall,
                u.Cpu, 100 * u.Cpu / u.Wall, u.Status == 0 ? "" : "  [exit status not 0]");
}

} // namespace

int main() {
    const std::string cli = tessary::CliBeside();
    if (::access(cli.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "bench_sigrok_record: %s is not built\n", cli.c_str());
        return 1;
    }
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("tessary-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::filesystem::path log = folder / "log.txt";
    if (Run({"sigrok-cli", "--version"}, log).Status != 0) {
        std::fprintf(stderr, "bench_sigrok_record: sigrok-cli does not run (Debian sigrok-cli)\n");
        return 1;
    }
    std::printf("load averages at start: %s\n", Load().c_str());

    // The demo device's own real-time limit, 4 channels into a binary sink.
    const double startup = Run(SigrokCli(1000, 10, "wav"), log).Wall;
    std::uint64_t limit = 0;
    for (const std::uint64_t rate : {1'000'000ULL, 2'000'000ULL, 5'000'000ULL, 10'000'000ULL,
                                     20'000'000ULL, 50'000'000ULL, 100'000'000ULL}) {
        Usage u = Run(SigrokCli(rate, rate, "wav"), log);
        if (u.Status != 0) {
            u = Run(SigrokCli(rate, rate, "wav"), log); // sigrok-cli 0.7.2 now and then aborts
        }
        std::printf("demo device at %3llu MHz: 1 s of data in %.2f s (start-up %.2f s)\n",
                    static_cast<unsigned long long>(rate / 1'000'000), u.Wall, startup);
        if (u.Status != 0 || u.Wall > startup + 1.1) {
            break;
        }
        limit = rate;
    }
    std::printf("fastest rate the demo device keeps in real time: %llu MHz; Tessary's finest "
                "sampling interval, 1 usec, asks for 1 MHz at most\n",
                static_cast<unsigned long long>(limit / 1'000'000));

    std::string card = "[Ch1]\nOptions=pattern=square\n[Ch2]\nOptions=pattern=sine\n"
                       "[Ch3]\nOptions=pattern=square\n[Ch4]\nOptions=pattern=sine\n";
    std::ofstream(folder / "demo.ini") << card;
    bool ok = true;
    for (const int intervalUs : {10, 1}) {
        const std::int64_t rate = 1'000'000 / intervalUs;
        const std::int64_t dataNum = rate;
        std::ofstream(folder / "run.apm")
            << "[Parameters]\r\nWait Time=0\r\nIteration=" << Bursts
            << "\r\nBurstInterval=0\r\nBurst Time Unit=0\r\nSampling Interval=" << intervalUs
            << "\r\nSampling Time Unit=2\r\nNumber Of Data=" << dataNum
            << "\r\nNumber of Channels=" << Channels - 1 << "\r\nFile Type=0\r\n";
        const std::filesystem::path data = folder / "bench.sdf";
        std::printf("\n%lld kHz, %d channels, %d bursts of 1 s back to back\n",
                    static_cast<long long>(rate / 1000), Channels, Bursts);
        const Usage tessary =
            Run({cli, "record", (folder / "run.apm").string(), "-o", data.string(), "--card",
                 "sigrok:demo", "--card-config", (folder / "demo.ini").string(), "--yes"},
                log);
        const std::string messages = Text(log);
        const bool overflow = messages.find("リングバッファオーバーフロー") != std::string::npos;
        const std::string bytes = Text(data);
        const std::size_t blockBytes = static_cast<std::size_t>(dataNum) * Channels * 2;
        const std::size_t expectedSize = 512 + Bursts * blockBytes;
        std::int64_t wrong = 0;
        if (bytes.size() == expectedSize) {
            for (std::size_t at = 512; at < bytes.size(); at += 2) {
                const std::size_t word = (at - 512) / 2;
                const auto scan = static_cast<std::int64_t>(word / Channels % dataNum);
                const auto v =
                    static_cast<std::int16_t>(static_cast<unsigned char>(bytes[at]) |
                                              (static_cast<unsigned char>(bytes[at + 1]) << 8));
                wrong += std::abs(v - Expected(scan, static_cast<int>(word % Channels))) > 1;
            }
        }
        std::filesystem::remove(data);
        Print("tessary-cli record", tessary);
        Print("sigrok-cli -O null",
              Run(SigrokCli(static_cast<std::uint64_t>(rate),
                            static_cast<std::uint64_t>(rate * Bursts), "null"),
                  log));
        Print("sigrok-cli -O wav", Run(SigrokCli(static_cast<std::uint64_t>(rate),
                                                 static_cast<std::uint64_t>(rate * Bursts), "wav"),
                                       log));
        std::printf("  tessary: ring overflow %s, file bytes %zu (expected %zu), samples off "
                    "the patterns %lld\n",
                    overflow ? "yes" : "no", bytes.size(), expectedSize,
                    static_cast<long long>(wrong));
        ok = ok && tessary.Status == 0 && !overflow && bytes.size() == expectedSize && wrong == 0;
    }
    std::filesystem::remove_all(folder);
    std::printf("\nload averages at end: %s\nresult: %s\n", Load().c_str(),
                ok ? "complete, no overflow" : "FAILED");
    return ok ? 0 : 1;
}
