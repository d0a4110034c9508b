// SPDX-License-Identifier: GPL-3.0-or-later
// Throughput of the old-format conversion on a 1 GiB layout-2 file (4 channels, 32 514
// bursts of 4 100 data, each padded to whole sectors) against cp of the same file in the
// same run. The conversion also forces its result to the disk, so cp followed by a sync of
// the copy is shown beside plain cp. Files go to $TMPDIR (or /tmp) and are deleted.
#include "data/Dialogs.h"
#include "data/SdfWriter.h"
#include "data/TFrmSDFdata.h"
#include "upgrade/OldFormatUpgrade.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace tessary;

namespace {

constexpr int Channels = 4;
constexpr int DataNum = 4100;
constexpr int Bursts = 32514;
constexpr int Rounds = 5;

class YesDialogs : public Dialogs {
public:
    MessageAnswer Show(MessageKind, const std::string&, MessageButtons) override {
        return MessageAnswer::Yes;
    }
};

class CountingProgress : public ProgressSink {
public:
    void StartProgress(const std::string&) override {}
    void SetProgressPercent(std::int32_t) override { ++reports; }
    bool CancelRequested() const override { return false; }
    void Hide() override {}
    long reports = 0;
};

// A layout-2 file: the layout-4 header with the old digit, then sector-padded bursts of
// pseudo-random values, some of them the old missing mark.
void WriteOldFile(const fs::path& path) {
    MeasurementParameters record;
    record.ChNum = Channels;
    record.DataNum = DataNum;
    record.Iteration = Bursts;
    record.SInterval = 1;
    record.SITUnit = UnitMsec;
    record.BInterval = 10;
    record.BITUnit = UnitSec;
    for (int c = 0; c < Channels; ++c) {
        record.Channel(c) = {"Ch." + std::to_string(c + 1), "mV", 1.0f, 0.0f};
    }
    std::string header = SdfWriter::EncodeHeader(record);
    header[40] = '2';

    const std::size_t values = std::size_t{DataNum} * Channels;
    const std::size_t stride = (values * 2 + 255) / 256 * 256;
    std::vector<unsigned char> burst(stride, 0);
    std::ofstream out(path, std::ios::binary);
    out.write(header.data(), static_cast<std::streamsize>(header.size()));
    std::uint32_t state = 12345;
    for (int k = 0; k < Bursts; ++k) {
        for (std::size_t i = 0; i < values; ++i) {
            state = state * 1664525u + 1013904223u;
            const auto v = (state >> 8) % 1000 == 0 ? 0x7FFFu : state >> 16;
            burst[2 * i] = static_cast<unsigned char>(v & 0xFF);
            burst[2 * i + 1] = static_cast<unsigned char>(v >> 8);
        }
        out.write(reinterpret_cast<const char*>(burst.data()),
                  static_cast<std::streamsize>(stride));
    }
    if (!out.flush()) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

struct Times {
    double Wall = 0;
    double Cpu = 0; // user and system time of this process and of the commands it ran
};

double CpuSeconds() {
    double total = 0;
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage u{};
        ::getrusage(who, &u);
        total += static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
                 static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    }
    return total;
}

template <typename F> Times Measure(F&& work) {
    const double cpu = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    work();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            CpuSeconds() - cpu};
}

void Run(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
}

// Each measurement starts on a quiet disk: earlier writes and deletions are finished.
void Settle() {
    ::sync();
    ::sleep(1);
}

Times Median(std::vector<Times> v) {
    Times m;
    std::sort(v.begin(), v.end(), [](Times x, Times y) { return x.Wall < y.Wall; });
    m.Wall = v[v.size() / 2].Wall;
    std::sort(v.begin(), v.end(), [](Times x, Times y) { return x.Cpu < y.Cpu; });
    m.Cpu = v[v.size() / 2].Cpu;
    return m;
}

} // namespace

int main() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr ? tmp : "/tmp") + "/bench-upgrade-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path folder = pattern;
    const fs::path file = folder / "old.sdf";
    const fs::path copy = folder / "copy.sdf";

    std::vector<Times> cpTimes, cpSyncTimes, upgradeTimes;
    std::uintmax_t oldBytes = 0, newBytes = 0;
    for (int round = 0; round < Rounds; ++round) {
        WriteOldFile(file);
        Settle();
        oldBytes = fs::file_size(file);

        cpTimes.push_back(
            Measure([&] { Run("cp '" + file.string() + "' '" + copy.string() + "'"); }));
        fs::remove(copy);
        Settle();
        cpSyncTimes.push_back(Measure([&] {
            Run("cp '" + file.string() + "' '" + copy.string() + "' && sync '" + copy.string() +
                "'");
        }));
        fs::remove(copy);
        Settle();

        YesDialogs dialogs;
        TFrmSDFdata holder(dialogs);
        CountingProgress progress;
        OldFormatUpgrade upgrade(progress);
        holder.SetUpgrader(&upgrade);
        bool ok = false;
        upgradeTimes.push_back(Measure([&] { ok = holder.ReadSdfHeader(file.string()); }));
        newBytes = fs::file_size(file);
        if (!ok || progress.reports != Bursts) {
            std::fprintf(stderr, "conversion failed\n");
            fs::remove_all(folder);
            return 1;
        }
        fs::remove(file);
        std::printf("round %d: cp %.3f s, cp + sync %.3f s, conversion %.3f s\n", round + 1,
                    cpTimes.back().Wall, cpSyncTimes.back().Wall, upgradeTimes.back().Wall);
    }
    fs::remove_all(folder);

    const double mib = static_cast<double>(oldBytes) / (1 << 20);
    const Times cp = Median(cpTimes);
    const Times cpSync = Median(cpSyncTimes);
    const Times up = Median(upgradeTimes);
    std::printf("old file %.1f MiB (%d bursts of %d x %d), converted %.1f MiB; medians of %d\n",
                mib, Bursts, DataNum, Channels, static_cast<double>(newBytes) / (1 << 20), Rounds);
    std::printf("                   wall       throughput    processor\n");
    const auto line = [mib](const char* name, Times t) {
        std::printf("%-18s %6.3f s %8.1f MiB/s %7.3f s\n", name, t.Wall, mib / t.Wall, t.Cpu);
    };
    line("cp", cp);
    line("cp + sync of copy", cpSync);
    line("conversion", up);
    std::printf("conversion / cp: %.2f wall, %.2f processor; / (cp + sync): %.2f wall\n",
                up.Wall / cp.Wall, up.Cpu / cp.Cpu, up.Wall / cpSync.Wall);
    return 0;
}
