// SPDX-License-Identifier: GPL-3.0-or-later
// Frame time of the waveform display, offscreen: four charts whose envelopes already hold
// N − 1000 samples of the burst are told of 1000 more (as a run tells them), the panel brings
// the envelopes up to date from the record's samples (envelope update), picks the ticks and
// builds each chart's line of at most two points a pixel (series update), and is rendered
// into an image, which paints every chart once (painting). Medians and maxima over 30 frames
// for N = 1 000, 100 000 and 5 000 000, as wall time and as the thread's CPU time (the machine
// may be shared). For N = 1 000 the charts are empty before the frame: it is a burst's first
// frame, in which the axes leave their empty range.
#include "acquisition/ui/ChartPanel.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Stamp {
    Clock::time_point Wall;
    double Cpu; // ms
};

Stamp Now() {
    timespec cpu{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu);
    return {Clock::now(),
            static_cast<double>(cpu.tv_sec) * 1e3 + static_cast<double>(cpu.tv_nsec) * 1e-6};
}

double Ms(const Stamp& from, const Stamp& to) {
    return std::chrono::duration<double, std::milli>(to.Wall - from.Wall).count();
}

double CpuMs(const Stamp& from, const Stamp& to) {
    return to.Cpu - from.Cpu;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Max(const std::vector<double>& v) {
    return *std::max_element(v.begin(), v.end());
}

constexpr int Channels = 4;
constexpr int Batch = 1000;
constexpr int Frames = 30;
constexpr std::int32_t Largest = 5'000'000;

// A sine per channel with a little noise, as stored values: the envelope has something to
// keep.
void Fill(tessary::MeasurementParameters& record) {
    record.Samples.assign(128, {});
    for (int c = 0; c < Channels; ++c) {
        auto& samples = record.Samples[static_cast<std::size_t>(c)];
        samples.resize(Largest);
        for (std::int32_t i = 0; i < Largest; ++i) {
            const double noise = static_cast<double>((i * 2654435761LL) % 1000) * 1e-3;
            samples[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(
                std::lround(1000.0 * std::sin(i * 1e-4 * (c + 1)) + 30.0 * noise));
        }
    }
}

struct Times {
    double Median;
    double Max;
};

struct Frame {
    Times Update;
    Times Refresh;
    Times Render;
    Times Total;
    Times TotalCpu;
};

Times Summary(const std::vector<double>& v) {
    return {Median(v), Max(v)};
}

Frame Measure(tessary::ChartPanel& panel, std::int32_t points) {
    QImage image(panel.size(), QImage::Format_ARGB32_Premultiplied);
    std::vector<double> update, refresh, render, total, totalCpu;
    for (int f = 0; f < Frames; ++f) {
        panel.SetupCharts("sec", 1e-5);
        panel.ShowConvertedScans(points - Batch);
        panel.RefreshCharts();
        QCoreApplication::processEvents();

        const tessary::ChartPanel::FrameTimes before = panel.Times();
        const Stamp t0 = Now();
        panel.ShowConvertedScans(points);
        panel.RefreshCharts();
        const Stamp t1 = Now();
        QPainter painter(&image);
        panel.render(&painter);
        painter.end();
        const Stamp t2 = Now();
        const tessary::ChartPanel::FrameTimes after = panel.Times();
        update.push_back(after.EnvelopeMs - before.EnvelopeMs);
        refresh.push_back(after.LayoutMs - before.LayoutMs);
        render.push_back(Ms(t1, t2));
        total.push_back(Ms(t0, t2));
        totalCpu.push_back(CpuMs(t0, t2));
    }
    return {Summary(update), Summary(refresh), Summary(render), Summary(total), Summary(totalCpu)};
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    tessary::MeasurementParameters record;
    record.ChNum = Channels;
    Fill(record);
    for (int k = 0; k < Channels; ++k) {
        record.Channel(k).Item = "Ch." + std::to_string(k + 1);
        record.Channel(k).Unit = "mV";
    }
    const int sizes[][2] = {{432, 393}, {1000, 700}};
    for (const auto& size : sizes) {
        tessary::ChartPanel panel(record);
        // Laid out and painted as if shown, but only into the image below.
        panel.setAttribute(Qt::WA_DontShowOnScreen);
        panel.resize(size[0], size[1]);
        panel.show();
        QCoreApplication::processEvents();
        std::printf("Panel %d x %d, 4 charts, %d new points per chart per frame (ms, median / "
                    "max of %d frames)\n",
                    size[0], size[1], Batch, Frames);
        std::printf("%12s %17s %17s %17s %17s %17s\n", "points", "envelope update", "series update",
                    "painting", "frame", "frame CPU");
        double first = 0.0;
        double firstCpu = 0.0;
        for (const std::int32_t points : {1'000, 100'000, Largest}) {
            const Frame f = Measure(panel, points);
            std::printf(
                "%12lld %8.3f / %6.3f %8.3f / %6.3f %8.3f / %6.3f %8.3f / %6.3f %8.3f / %6.3f\n",
                static_cast<long long>(points), f.Update.Median, f.Update.Max, f.Refresh.Median,
                f.Refresh.Max, f.Render.Median, f.Render.Max, f.Total.Median, f.Total.Max,
                f.TotalCpu.Median, f.TotalCpu.Max);
            if (first == 0.0) {
                first = f.Total.Median;
                firstCpu = f.TotalCpu.Median;
            } else {
                std::printf("%12s frame median %.2fx the 1 000 case (CPU %.2fx)\n", "",
                            f.Total.Median / first, f.TotalCpu.Median / firstCpu);
            }
        }
    }
    return 0;
}
