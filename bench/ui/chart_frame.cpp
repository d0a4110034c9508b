// Frame time of the waveform display, offscreen: four charts whose series already hold
// N − 1000 points receive 1000 new points each (the envelope update), the dirty charts are
// refreshed (series replaced, axes scaled), and the panel is rendered into an image, which
// paints every chart once. Medians and maxima over 30 frames for N = 1 000, 100 000 and
// 5 000 000, as wall time and as the thread's CPU time (the machine may be shared). For
// N = 1 000 the series are empty before the frame: it is a burst's first frame, in which the
// axes leave their empty range.
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
constexpr double DisplayInterval = 1e-5;

// A sine per channel with a little noise: the envelope has something to keep.
double Sample(int channel, std::int64_t i) {
    const double noise = static_cast<double>((i * 2654435761LL) % 1000) * 1e-3;
    return 1000.0 * std::sin(static_cast<double>(i) * 1e-4 * (channel + 1)) + noise;
}

struct Points {
    std::vector<double> X;
    std::vector<double> Y;
};

Points Make(int channel, std::int64_t from, std::int64_t to) {
    Points p;
    for (std::int64_t i = from; i < to; ++i) {
        p.X.push_back(static_cast<double>(i) * DisplayInterval);
        p.Y.push_back(Sample(channel, i));
    }
    return p;
}

void Append(tessary::ChartPanel& panel, std::int64_t from, std::int64_t to) {
    for (int c = 0; c < Channels; ++c) {
        for (std::int64_t start = from; start < to; start += 100'000) {
            const Points p = Make(c, start, std::min(to, start + 100'000));
            panel.AppendPoints(c, p.X, p.Y);
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

Frame Measure(tessary::ChartPanel& panel, std::int64_t points) {
    QImage image(panel.size(), QImage::Format_ARGB32_Premultiplied);
    std::vector<double> update, refresh, render, total, totalCpu;
    for (int f = 0; f < Frames; ++f) {
        panel.SetupCharts("sec");
        Append(panel, 0, points - Batch);
        panel.RefreshCharts();
        QCoreApplication::processEvents();

        std::vector<Points> batch;
        for (int c = 0; c < Channels; ++c) {
            batch.push_back(Make(c, points - Batch, points));
        }

        const Stamp t0 = Now();
        for (int c = 0; c < Channels; ++c) {
            panel.AppendPoints(c, batch[c].X, batch[c].Y);
        }
        const Stamp t1 = Now();
        panel.RefreshCharts();
        const Stamp t2 = Now();
        QPainter painter(&image);
        panel.render(&painter);
        painter.end();
        const Stamp t3 = Now();
        update.push_back(Ms(t0, t1));
        refresh.push_back(Ms(t1, t2));
        render.push_back(Ms(t2, t3));
        total.push_back(Ms(t0, t3));
        totalCpu.push_back(CpuMs(t0, t3));
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
        std::printf("%12s %17s %17s %17s %17s %17s\n", "points", "envelope update", "refresh",
                    "render", "frame", "frame CPU");
        double first = 0.0;
        double firstCpu = 0.0;
        for (const std::int64_t points : {1'000LL, 100'000LL, 5'000'000LL}) {
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
