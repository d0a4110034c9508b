// SPDX-License-Identifier: GPL-3.0-or-later
// tessary-cli record at full speed on the simulated card: 4 channels sampled every 10 us,
// 10 bursts of 100 000 scans back to back (400 000 words per second). Reports wall and CPU
// time of the tool, whether the ring buffer overflowed, and checks every stored sample
// against the ramp signal. Exit status 1 when the recording is not complete and correct.
#include "bench/CliBeside.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int Channels = 4;
constexpr int DataNum = 100000;
constexpr int Bursts = 10;

void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::int16_t RampSample(std::int64_t scan, int channel) {
    const auto word = static_cast<int>((scan + 512 * channel) % 4096);
    return static_cast<std::int16_t>(std::llround((word - 2048) * 10.0 / 2048.0 * 1000.0));
}

} // namespace

int main() {
    const std::string cli = tessary::CliBeside();
    if (::access(cli.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "bench_cli_record: %s is not built\n", cli.c_str());
        return 1;
    }
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("tessary-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    WriteText(folder / "run.apm",
              "[Parameters]\r\nWait Time=0\r\nIteration=" + std::to_string(Bursts) +
                  "\r\nBurstInterval=0\r\nBurst Time Unit=0\r\nSampling Interval=10\r\n"
                  "Sampling Time Unit=2\r\nNumber Of Data=" +
                  std::to_string(DataNum) +
                  "\r\nNumber of Channels=" + std::to_string(Channels - 1) + "\r\nFile Type=0\r\n");
    std::string card = "[Card]\n";
    for (int k = 1; k <= 8; ++k) {
        card += "[Ch" + std::to_string(k) + "]\nSignal=ramp\n";
    }
    WriteText(folder / "sim.ini", card);
    const std::filesystem::path data = folder / "bench.sdf";
    const std::filesystem::path log = folder / "stderr.txt";

    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::freopen(log.c_str(), "w", stderr);
        ::execl(cli.c_str(), cli.c_str(), "record", (folder / "run.apm").c_str(), "-o",
                data.c_str(), "--card-config", (folder / "sim.ini").c_str(), "--yes",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;

    std::ifstream logIn(log);
    const std::string messages((std::istreambuf_iterator<char>(logIn)), {});
    const bool overflow = messages.find("リングバッファオーバーフロー") != std::string::npos;

    std::ifstream in(data, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    const std::size_t blockBytes = std::size_t{DataNum} * Channels * 2;
    const std::size_t expectedSize = 512 + Bursts * blockBytes;
    std::int64_t wrong = 0;
    if (bytes.size() == expectedSize) {
        for (int k = 0; k < Bursts; ++k) {
            for (std::int64_t i = 0; i < DataNum; ++i) {
                for (int c = 0; c < Channels; ++c) {
                    const std::size_t at =
                        512 + k * blockBytes + static_cast<std::size_t>((i * Channels + c) * 2);
                    const auto v =
                        static_cast<std::int16_t>(static_cast<unsigned char>(bytes[at]) |
                                                  (static_cast<unsigned char>(bytes[at + 1]) << 8));
                    wrong += v != RampSample(i, c);
                }
            }
        }
    }
    std::filesystem::remove_all(folder);

    const double seconds = Bursts * DataNum * 10e-6;
    std::printf("record: %d channels x %d scans at 10 us, %d bursts (%.1f s of sampling)\n",
                Channels, DataNum, Bursts, seconds);
    std::printf("  exit status        %d\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    std::printf("  wall time          %.2f s\n", wall);
    std::printf("  CPU time (tool)    %.2f s (%.0f %% of one core)\n", cpu, 100 * cpu / wall);
    std::printf("  words per second   %.0f\n", Bursts * double(DataNum) * Channels / wall);
    std::printf("  ring overflow      %s\n", overflow ? "yes" : "no");
    std::printf("  file bytes         %zu (expected %zu)\n", bytes.size(), expectedSize);
    std::printf("  samples off ramp   %lld\n", static_cast<long long>(wrong));
    const bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && !overflow &&
                    bytes.size() == expectedSize && wrong == 0;
    std::printf("  result             %s\n", ok ? "complete, no overflow" : "FAILED");
    return ok ? 0 : 1;
}
