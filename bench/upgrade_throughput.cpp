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
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace tessary;

namespace {

constexpr int Channels = 4;
constexpr int DataNum = 4100;
constexpr int Bursts = 32514;
constexpr int Rounds = 3;

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

template <typename F> double Seconds(F&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Run(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
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

    std::vector<double> cpTimes, cpSyncTimes, upgradeTimes;
    std::uintmax_t oldBytes = 0, newBytes = 0;
    for (int round = 0; round < Rounds; ++round) {
        WriteOldFile(file);
        ::sync();
        oldBytes = fs::file_size(file);

        cpTimes.push_back(
            Seconds([&] { Run("cp '" + file.string() + "' '" + copy.string() + "'"); }));
        fs::remove(copy);
        ::sync();
        cpSyncTimes.push_back(Seconds([&] {
            Run("cp '" + file.string() + "' '" + copy.string() + "' && sync '" + copy.string() +
                "'");
        }));
        fs::remove(copy);
        ::sync();

        YesDialogs dialogs;
        TFrmSDFdata holder(dialogs);
        CountingProgress progress;
        OldFormatUpgrade upgrade(progress);
        holder.SetUpgrader(&upgrade);
        bool ok = false;
        upgradeTimes.push_back(Seconds([&] { ok = holder.ReadSdfHeader(file.string()); }));
        newBytes = fs::file_size(file);
        if (!ok || progress.reports != Bursts) {
            std::fprintf(stderr, "conversion failed\n");
            fs::remove_all(folder);
            return 1;
        }
        fs::remove(file);
        std::printf("round %d: cp %.3f s, cp + sync %.3f s, conversion %.3f s\n", round + 1,
                    cpTimes.back(), cpSyncTimes.back(), upgradeTimes.back());
    }
    fs::remove_all(folder);

    const double mib = static_cast<double>(oldBytes) / (1 << 20);
    const double cp = Median(cpTimes);
    const double cpSync = Median(cpSyncTimes);
    const double up = Median(upgradeTimes);
    std::printf("old file %.1f MiB (%d bursts of %d x %d), converted %.1f MiB; median of %d\n", mib,
                Bursts, DataNum, Channels, static_cast<double>(newBytes) / (1 << 20), Rounds);
    std::printf("cp                 %7.3f s  %8.1f MiB/s\n", cp, mib / cp);
    std::printf("cp + sync of copy  %7.3f s  %8.1f MiB/s\n", cpSync, mib / cpSync);
    std::printf("conversion         %7.3f s  %8.1f MiB/s  (%.2f x cp, %.2f x cp + sync)\n", up,
                mib / up, up / cp, up / cpSync);
    return 0;
}
