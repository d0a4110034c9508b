// SPDX-License-Identifier: GPL-3.0-or-later
// Zoom and pan redraws of the viewer's charts on a 4-channel burst of 10 000 000 scans: each
// frame sets a new time range, lays the four charts out (ticks, lines from the min/max index)
// and paints them into an image. The baseline, in the same run, draws the same frames with a
// source that finds each pixel column's lowest and highest value by scanning its samples, as a
// chart without an index must.
//
//   bench_viewer_frame [--scans N] [--size WxH]
#include "acquisition/ui/StripChart.h"
#include "data/Dialogs.h"
#include "data/TFrmSDFdata.h"
#include "viewer/ShownBurst.h"
#include "viewer/ViewedRecording.h"
#include "viewer/ui/ViewerCharts.h"

#include <QApplication>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace tessary;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int Channels = 4;

class SilentDialogs final : public Dialogs {
public:
    MessageAnswer Show(MessageKind, const std::string& text, MessageButtons) override {
        std::fprintf(stderr, "box: %s\n", text.c_str());
        return MessageAnswer::No;
    }
};

// The baseline: every pixel column's extent found by scanning its samples.
class ScanningSource final : public ChartSource {
public:
    ScanningSource(const ChannelView& channel) : channel_(channel) {}
    bool ValueRange(double xFrom, double xTo, double& low, double& high) const override {
        low = INFINITY;
        high = -INFINITY;
        for (std::int64_t i = channel_.FirstAt(xFrom); i < channel_.EndAt(xTo); ++i) {
            if (const auto v = channel_.ValueAt(i)) {
                low = std::min(low, *v);
                high = std::max(high, *v);
            }
        }
        return low <= high;
    }
    void Plot(int pixels, double xFrom, double xTo, std::vector<ChartPoint>& out) const override {
        out.clear();
        const double width = (xTo - xFrom) / pixels;
        for (int p = 0; p < pixels; ++p) {
            double low = 0.0;
            double high = 0.0;
            if (ValueRange(xFrom + p * width, xFrom + (p + 1) * width, low, high)) {
                out.push_back({xFrom + (p + 0.5) * width, low});
                out.push_back({xFrom + (p + 0.5) * width, high});
            }
        }
    }

private:
    const ChannelView& channel_;
};

struct Frames {
    double Median = 0.0;
    double P95 = 0.0;
    double Max = 0.0;
};

Frames Summary(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times[times.size() * 95 / 100], times.back()};
}

// The ranges of a zoom from the whole burst down to a few hundred samples about one point,
// then a pan across the burst at a middle zoom.
std::vector<std::pair<double, double>> Ranges(double whole) {
    std::vector<std::pair<double, double>> ranges;
    const double centre = whole * 0.6180339;
    for (double span = whole; span > 300.0; span *= 0.8) {
        ranges.emplace_back(centre - span / 2, centre + span / 2);
    }
    for (int step = 0; step <= 40; ++step) {
        const double from = whole * 0.9 * step / 40.0;
        ranges.emplace_back(from, from + whole * 0.1);
    }
    return ranges;
}

} // namespace

int main(int argc, char** argv) {
    long scans = 10000000;
    int width = 1200;
    int height = 800;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--scans") == 0) {
            scans = std::atol(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--size") == 0) {
            std::sscanf(argv[i + 1], "%dx%d", &width, &height);
        }
    }
    QApplication app(argc, argv);
    QTemporaryDir folder;
    const std::string path = (folder.path() + QStringLiteral("/long.sdf")).toStdString();
    {
        SilentDialogs dialogs;
        TFrmSDFdata holder(dialogs);
        MeasurementParameters& r = holder.Record();
        r.ChNum = Channels;
        r.DataNum = static_cast<std::int32_t>(scans);
        r.SInterval = 1;
        r.SITUnit = UnitUsec;
        r.Iteration = 1;
        r.BITUnit = UnitSec;
        for (int c = 0; c < Channels; ++c) {
            r.Channel(c) = {"Ch." + std::to_string(c + 1), "mV", 1.0f, 0.0f};
        }
        r.AllocateSampleBuffers();
        for (std::size_t c = 0; c < Channels; ++c) {
            for (std::size_t i = 0; i < static_cast<std::size_t>(scans); ++i) {
                r.Samples[c][i] = static_cast<std::int16_t>(
                    3000 * std::sin(static_cast<double>(i) * 3e-6 * (c + 1)) +
                    static_cast<double>((i * 7919) % 97));
            }
        }
        r.TargetFileName = path;
        if (!holder.WriteSdfHeader(path) || !holder.WriteSdfBlock(0)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    ViewedRecording viewed = ViewedRecording::Open(path);
    if (!viewed.Source) {
        std::fprintf(stderr, "%s\n", viewed.Problem.c_str());
        return 1;
    }
    auto start = Clock::now();
    std::shared_ptr<const ShownBurst> burst = ShownBurst::Read(*viewed.Source, 0);
    const double readMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();

    ViewerCharts charts;
    charts.resize(width, height);
    std::vector<ViewerCharts::ChannelTitle> titles;
    for (int c = 0; c < Channels; ++c) {
        titles.push_back({QStringLiteral("Ch.%1").arg(c + 1), QStringLiteral("mV")});
    }
    charts.SetTitles(titles, QStringLiteral("Time (usec)"));
    charts.SetBurst(burst);
    QImage image(charts.size(), QImage::Format_RGB32);
    const auto ranges = Ranges(burst->Duration());
    std::vector<double> indexed;
    double layoutMs = 0.0;
    for (const auto& [from, to] : ranges) {
        start = Clock::now();
        charts.ShowRange(from, to);
        layoutMs += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        charts.render(&image);
        indexed.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }

    // The baseline draws the same frames through the same charts.
    std::vector<std::unique_ptr<ScanningSource>> scanning;
    for (int c = 0; c < Channels; ++c) {
        scanning.push_back(std::make_unique<ScanningSource>(burst->Channel(c)));
        charts.Chart(c).SetSource(scanning.back().get());
    }
    std::vector<double> scanned;
    for (std::size_t n = 0; n < ranges.size(); n += 4) {
        start = Clock::now();
        int margin = 0;
        for (int c = 0; c < Channels; ++c) {
            charts.Chart(c).SetVisibleRange(ranges[n].first, ranges[n].second);
            margin = std::max(margin, charts.Chart(c).WantedLeftMargin());
        }
        for (int c = 0; c < Channels; ++c) {
            charts.Chart(c).Arrange(margin);
        }
        charts.render(&image);
        scanned.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    for (int c = 0; c < Channels; ++c) {
        charts.Chart(c).SetSource(&burst->Channel(c));
    }

    const Frames withIndex = Summary(indexed);
    const Frames baseline = Summary(scanned);
    std::printf("%d channels x %ld scans, charts %d x %d, %zu zoom and pan frames\n", Channels,
                scans, width, height, ranges.size());
    std::printf("  read + index the burst    %.0f ms (%.1f MB of samples, %.1f MB of index)\n",
                readMs, scans * Channels * 2 / 1e6,
                (burst->HeldBytes() - scans * Channels * 2.0) / 1e6);
    std::printf("  frame with the index      %.2f ms median, %.2f ms p95, %.2f ms max\n",
                withIndex.Median, withIndex.P95, withIndex.Max);
    std::printf("  of which laying out       %.2f ms a frame on average\n",
                layoutMs / ranges.size());
    std::printf(
        "  frame scanning samples    %.2f ms median, %.2f ms p95, %.2f ms max (%zu frames)\n",
        baseline.Median, baseline.P95, baseline.Max, scanned.size());
    const bool met = withIndex.Max < 16.0;
    std::printf("  target < 16 ms a frame    %s\n", met ? "met" : "MISSED");
    return met ? 0 : 1;
}
