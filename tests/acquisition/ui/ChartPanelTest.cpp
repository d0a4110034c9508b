// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/ui/ChartPanel.h"
#include "acquisition/ui/StripChart.h"

#include <QElapsedTimer>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QTest>

#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

using namespace tessary;

namespace {

// Bytes that malloc holds for the whole process, Qt's own allocations included.
long long HeapBytes() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long long>(info.uordblks + info.hblkhd);
}

bool IsRed(QRgb pixel) {
    return qRed(pixel) > 200 && qGreen(pixel) < 80 && qBlue(pixel) < 80;
}

} // namespace

class ChartPanelTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void layoutForOneThreeAndSixChannels();
    void resizingThePanelLaysTheChartsOutAgain();
    void titlesAndUnitsFromTheChannelTable();
    void theLineIsTheStoredSamplesScaledAndTheTimeAxisGrows();
    void aSpikeInFourMillionSamplesIsPainted();
    void missingSamplesAreNeverDrawn();
    void aResizeDuringABurstRebuildsTheEnvelopeFromTheSamples();
    void setupClearsTheCharts();
    void refreshesAtMostTwentyFiveTimesASecond();
    void stackedChartsShareOneLeftEdgeAndOneTimeAxis();
    void everyLabelHasItsRoomAtTheWindowsDefaultSize();
    void memoryHeldDoesNotGrowWithTheBurst();
    void aChartOnItsOwnIsFedBlockByBlock();

private:
    StripChart& View(int k) const { return panel_->Chart(k - 1); }
    // Channels of `scans` samples each: a sine of the channel's amplitude.
    void Fill(int channels, std::int32_t scans, double amplitude = 1000.0) {
        record_.DataNum = scans;
        record_.Samples.assign(128, {});
        for (int c = 0; c < channels; ++c) {
            auto& samples = record_.Samples[static_cast<std::size_t>(c)];
            samples.resize(static_cast<std::size_t>(scans));
            for (std::int32_t i = 0; i < scans; ++i) {
                samples[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(
                    std::lround(amplitude * std::sin(i * 1e-3 * (c + 1))));
            }
        }
    }
    void Setup(std::int16_t chNum, const std::string& unit = "sec", double interval = 1.0) {
        record_.ChNum = chNum;
        panel_->Panel2Resize();
        panel_->SetupCharts(unit, interval);
        QCoreApplication::processEvents();
    }
    void Show(std::int32_t scans) {
        panel_->ShowConvertedScans(scans);
        panel_->RefreshCharts();
    }
    QImage Render(int k) {
        QImage image(View(k).size(), QImage::Format_RGB32);
        QPainter painter(&image);
        View(k).render(&painter);
        return image;
    }

    MeasurementParameters record_;
    std::unique_ptr<ChartPanel> panel_;
};

void ChartPanelTest::init() {
    record_ = MeasurementParameters{};
    for (int k = 0; k < 4; ++k) {
        record_.Channel(k).Item = "Ch." + std::to_string(k + 1);
        record_.Channel(k).Unit = "mV";
        record_.Channel(k).A = 1.0f;
        record_.Channel(k).B = 0.0f;
    }
    panel_ = std::make_unique<ChartPanel>(record_);
    panel_->resize(500, 393);
    panel_->show();
    QVERIFY(QTest::qWaitForWindowExposed(panel_.get()));
}

void ChartPanelTest::cleanup() {
    panel_.reset();
}

void ChartPanelTest::layoutForOneThreeAndSixChannels() {
    Setup(0); // raised to one
    QCOMPARE(record_.ChNum, std::int16_t{1});
    QCOMPARE(View(1).geometry(), QRect(0, 0, 500, 393));
    QVERIFY(View(1).isVisible() && !View(2).isVisible() && !View(4).isVisible());
    QCOMPARE(View(1).BottomTitle(), QStringLiteral("Time (sec)"));

    Setup(3, "msec");
    for (int k = 1; k <= 3; ++k) {
        QCOMPARE(View(k).geometry(), QRect(0, (k - 1) * 131, 500, 131));
        QVERIFY(View(k).isVisible());
    }
    QVERIFY(!View(4).isVisible());
    QCOMPARE(View(1).BottomTitle(), QString());
    QCOMPARE(View(3).BottomTitle(), QStringLiteral("Time (msec)"));

    // Six channels: four charts of a sixth each, no time title, channels 4 and 5 not drawn.
    Fill(6, 100);
    Setup(6);
    Show(100);
    for (int k = 1; k <= 4; ++k) {
        QCOMPARE(View(k).geometry(), QRect(0, (k - 1) * 65, 500, 65));
        QVERIFY(View(k).isVisible());
        QCOMPARE(View(k).BottomTitle(), QString());
        QCOMPARE(View(k).Envelope().Count(), 100);
    }
    QCOMPARE(panel_->findChildren<StripChart*>().size(), 4);

    // Back to two: the charts beyond keep their bounds, hidden.
    Setup(2);
    QCOMPARE(View(2).geometry(), QRect(0, 196, 500, 196));
    QCOMPARE(View(3).geometry(), QRect(0, 130, 500, 65));
    QVERIFY(!View(3).isVisible());
    QCOMPARE(View(2).BottomTitle(), QStringLiteral("Time (sec)"));
}

void ChartPanelTest::resizingThePanelLaysTheChartsOutAgain() {
    Setup(3);
    panel_->resize(640, 300);
    QCoreApplication::processEvents();
    QCOMPARE(View(3).geometry(), QRect(0, 200, 640, 100));
    record_.ChNum = 4; // a new count alone changes nothing until the next set-up
    QVERIFY(!View(4).isVisible());
    QCOMPARE(View(1).height(), 100);
}

void ChartPanelTest::titlesAndUnitsFromTheChannelTable() {
    record_.Channel(1).Item = "\x89\xb7\x93x"; // 温度 in CP932
    record_.Channel(1).Unit = "\x81\x8e";      // ℃
    record_.Channel(3).Item = "Flow";
    Setup(2);
    QCOMPARE(View(1).Title(), QStringLiteral("Ch.1"));
    QCOMPARE(View(1).LeftTitle(), QStringLiteral("mV"));
    QCOMPARE(View(2).Title(), QStringLiteral("温度"));
    QCOMPARE(View(2).LeftTitle(), QStringLiteral("℃"));
    QCOMPARE(View(4).Title(), QStringLiteral("Flow")); // hidden charts too
    QCOMPARE(View(1).objectName(), QStringLiteral("Chart1"));
}

void ChartPanelTest::theLineIsTheStoredSamplesScaledAndTheTimeAxisGrows() {
    Fill(1, 1000);
    record_.Samples[0][10] = 13; // 12.5 mV stored half away from zero
    record_.Channel(0).A = 2.0f;
    record_.Channel(0).B = 1.0f;
    Setup(1, "msec", 0.5);
    Show(20);
    const StripChart& chart = View(1);
    QCOMPARE(chart.Line().size(), std::size_t{20}); // fewer samples than pixels: each drawn
    for (std::size_t i = 0; i < chart.Line().size(); ++i) {
        QCOMPARE(chart.Line()[i].X, static_cast<double>(i) * 0.5);
        QCOMPARE(chart.Line()[i].Y, 2.0 * record_.Samples[0][i] + 1.0);
    }
    QCOMPARE(chart.Line()[10].Y, 27.0);
    // Both axes are the data rounded out to round ticks.
    const double last = 19 * 0.5;
    QCOMPARE(chart.TimeTicks().Min, 0.0);
    QVERIFY(chart.TimeTicks().Max >= last);
    const double timeStep = chart.TimeTicks().Values[1] - chart.TimeTicks().Values[0];
    QVERIFY(chart.TimeTicks().Max < last + timeStep);

    Show(1000);
    QCOMPARE(chart.Envelope().Count(), 1000);
    QVERIFY(chart.TimeTicks().Max >= 999 * 0.5);
    QVERIFY(chart.TimeTicks().Max < 2 * 999 * 0.5);
    const auto [low, high] =
        std::minmax_element(record_.Samples[0].begin(), record_.Samples[0].end());
    QVERIFY(chart.ValueTicks().Min <= 2.0 * *low + 1.0);
    QVERIFY(chart.ValueTicks().Max >= 2.0 * *high + 1.0);
}

void ChartPanelTest::aSpikeInFourMillionSamplesIsPainted() {
    const std::int32_t scans = 4'000'000;
    Fill(2, scans);
    record_.Samples[1][3'210'987] = 30'000;
    Setup(2, "sec", 1e-6);
    for (std::int32_t done = 250'000; done <= scans; done += 250'000) {
        Show(done);
    }
    const StripChart& chart = View(2);
    QVERIFY(chart.Line().size() <= 2 * static_cast<std::size_t>(chart.PlotArea().width()));
    const ChartPoint spike{3'210'987 * 1e-6, 30'000.0};
    QVERIFY(std::any_of(chart.Line().begin(), chart.Line().end(), [&](const ChartPoint& p) {
        return std::fabs(p.X - spike.X) < 1e-12 && p.Y == spike.Y;
    }));
    // The spike reaches the top of the plot in red at its own moment.
    const QImage image = Render(2);
    const QPointF at = chart.ToPixel(spike);
    bool red = false;
    for (int dx = -1; dx <= 1; ++dx) {
        for (int dy = -1; dy <= 1; ++dy) {
            red = red ||
                  IsRed(image.pixel(static_cast<int>(at.x()) + dx, static_cast<int>(at.y()) + dy));
        }
    }
    QVERIFY(red);
    QCOMPARE(image.pixel(1, 1), QColor(Qt::white).rgb());
}

void ChartPanelTest::missingSamplesAreNeverDrawn() {
    Fill(1, 50'000);
    std::fill(record_.Samples[0].begin() + 1000, record_.Samples[0].begin() + 30'000, ErrorValue);
    Setup(1);
    Show(50'000);
    const StripChart& chart = View(1);
    QVERIFY(!chart.Line().empty());
    for (const ChartPoint& p : chart.Line()) {
        QVERIFY(p.Y > -1001.0);
        QVERIFY(p.X < 1000.0 || p.X >= 30'000.0);
    }
    QVERIFY(chart.ValueTicks().Min >= -2000.0);
}

void ChartPanelTest::aResizeDuringABurstRebuildsTheEnvelopeFromTheSamples() {
    Fill(1, 200'000);
    record_.Samples[0][150'001] = 5000;
    record_.Samples[0][20'000] = -5000;
    Setup(1);
    panel_->resize(200, 393);
    QCoreApplication::processEvents();
    Show(100'000);
    const int narrowColumns = View(1).Envelope().Columns();

    panel_->resize(1600, 393);
    QCoreApplication::processEvents();
    QCOMPARE(View(1).Envelope().Columns(), ChartEnvelope::ColumnsFor(1600));
    QVERIFY(View(1).Envelope().Columns() > narrowColumns);
    QCOMPARE(View(1).Envelope().Count(), 100'000);
    Show(200'000);
    const StripChart& chart = View(1);
    QCOMPARE(chart.Envelope().Count(), 200'000);
    QVERIFY(chart.Line().size() > static_cast<std::size_t>(chart.PlotArea().width()));
    QVERIFY(chart.Line().size() <= 2 * static_cast<std::size_t>(chart.PlotArea().width()));
    const auto has = [&](double x, double y) {
        return std::any_of(chart.Line().begin(), chart.Line().end(),
                           [&](const ChartPoint& p) { return p.X == x && p.Y == y; });
    };
    QVERIFY(has(150'001.0, 5000.0));
    QVERIFY(has(20'000.0, -5000.0));
}

void ChartPanelTest::setupClearsTheCharts() {
    Fill(1, 3);
    Setup(1);
    Show(3);
    QCOMPARE(View(1).Line().size(), std::size_t{3});
    Setup(1);
    QCOMPARE(View(1).Envelope().Count(), 0);
    QVERIFY(View(1).Line().empty());
    record_.Samples[0][0] = -1;
    Show(1);
    QCOMPARE(View(1).Line().size(), std::size_t{1});
    QCOMPARE(View(1).Line()[0].Y, -1.0);
}

void ChartPanelTest::refreshesAtMostTwentyFiveTimesASecond() {
    Fill(1, 100'000);
    Setup(1);
    const std::int64_t before = panel_->Times().Refreshes;
    QElapsedTimer elapsed;
    elapsed.start();
    std::int32_t scans = 0;
    while (elapsed.elapsed() < 600) {
        scans += 100;
        panel_->ShowConvertedScans(scans);
        QTest::qWait(2);
    }
    const qint64 ms = elapsed.elapsed();
    QTRY_COMPARE(View(1).Envelope().Count(), scans);
    const std::int64_t refreshes = panel_->Times().Refreshes - before;
    QVERIFY2(refreshes <= ms / ChartPanel::RefreshIntervalMs + 2,
             qPrintable(QStringLiteral("%1 refreshes in %2 ms").arg(refreshes).arg(ms)));
}

void ChartPanelTest::stackedChartsShareOneLeftEdgeAndOneTimeAxis() {
    Fill(4, 10'000);
    record_.Channel(1).A = 1000.0f; // to ±1E6
    record_.Channel(2).A = -0.001f; // to ±1
    record_.Channel(3).B = -20'000.0f;
    Setup(4, "sec", 1e-4);
    Show(10'000);
    const int left = View(1).PlotArea().left();
    for (int k = 2; k <= 4; ++k) {
        QCOMPARE(View(k).PlotArea().left(), left);
        QCOMPARE(View(k).PlotArea().width(), View(1).PlotArea().width());
        QCOMPARE(View(k).TimeTicks(), View(1).TimeTicks());
    }
    // The widest value labels set the edge: none starts left of its chart.
    const QFontMetrics metrics(View(2).font());
    int widest = 0;
    for (const std::string& label : View(2).ValueTicks().Labels) {
        widest = std::max(widest, metrics.horizontalAdvance(QString::fromStdString(label)));
    }
    QVERIFY(left > widest);
}

// The panel's share of the window at its default 715 x 452, four channels of ±5 V and a
// 4 s burst: every value and time label fits between its neighbours and inside its chart,
// and the time title lies inside the lowest chart.
void ChartPanelTest::everyLabelHasItsRoomAtTheWindowsDefaultSize() {
    QFont font;
    font.setPixelSize(12);
    panel_->setFont(font);
    panel_->resize(432, 385);
    Fill(4, 40'000, 5000.0);
    Setup(4, "sec", 1e-4);
    Show(40'000);
    for (int k = 1; k <= 4; ++k) {
        const StripChart& chart = View(k);
        const QFontMetrics metrics(chart.font());
        const AxisTicks& values = chart.ValueTicks();
        QVERIFY2(values.Values.size() >= 3, qPrintable(QString::number(k)));
        for (std::size_t i = 1; i < values.Values.size(); ++i) {
            const double gap = chart.ToPixel({0.0, values.Values[i - 1]}).y() -
                               chart.ToPixel({0.0, values.Values[i]}).y();
            QVERIFY(gap >= metrics.height());
        }
        const double top = chart.ToPixel({0.0, values.Max}).y() - metrics.height() / 2.0;
        QVERIFY(top >= 0.0);
        const AxisTicks& times = chart.TimeTicks();
        QVERIFY(times.Values.size() >= 3);
        int widest = 0;
        for (const std::string& label : times.Labels) {
            widest = std::max(widest, metrics.horizontalAdvance(QString::fromStdString(label)));
        }
        for (std::size_t i = 1; i < times.Values.size(); ++i) {
            const double gap = chart.ToPixel({times.Values[i], 0.0}).x() -
                               chart.ToPixel({times.Values[i - 1], 0.0}).x();
            QVERIFY(gap >= widest);
        }
        const int labelsBottom = chart.PlotArea().bottom() + 3 + metrics.height();
        QVERIFY(labelsBottom <= chart.height());
        if (k == 4) {
            QCOMPARE(chart.BottomTitle(), QStringLiteral("Time (sec)"));
            QVERIFY(labelsBottom + metrics.height() <= chart.height());
        }
    }
}

// Counted in bytes of the heap, not in time: a burst of 4 million scans on four channels
// leaves the charts holding no more than one of 20 thousand did.
void ChartPanelTest::memoryHeldDoesNotGrowWithTheBurst() {
    const std::int32_t scans = 4'000'000;
    Fill(4, scans);
    QImage image(panel_->size(), QImage::Format_RGB32);
    const auto held = [&](std::int32_t burst) {
        Setup(4, "sec", 1e-6);
        const long long before = HeapBytes();
        for (int step = 1; step <= 40; ++step) {
            Show(static_cast<std::int32_t>(static_cast<std::int64_t>(burst) * step / 40));
        }
        QPainter painter(&image);
        panel_->render(&painter);
        painter.end();
        QCoreApplication::processEvents();
        return HeapBytes() - before;
    };
    held(1000); // fonts, glyphs and buffers of a first frame
    const long long small = held(20'000);
    const long long large = held(scans);
    QCOMPARE(View(1).Envelope().Count(), scans);
    QVERIFY2(large <= small + 64 * 1024,
             qPrintable(QStringLiteral("%1 bytes after 20 000 scans, %2 after %3")
                            .arg(small)
                            .arg(large)
                            .arg(scans)));
}

// As a viewer of recorded files uses it: no panel, samples read block by block, and fed
// again from the start when a resize wants another column count.
void ChartPanelTest::aChartOnItsOwnIsFedBlockByBlock() {
    std::vector<std::int16_t> blocks(30'000);
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        blocks[i] = static_cast<std::int16_t>(i % 200);
    }
    blocks[12'345] = -777;
    const auto feed = [&](StripChart& chart) {
        chart.ClearSamples();
        for (std::size_t from = 0; from < blocks.size(); from += 1000) {
            chart.AppendSamples(std::span(blocks).subspan(from, 1000));
        }
        chart.Refresh();
    };
    StripChart chart(QStringLiteral("Viewer"));
    chart.resize(300, 200);
    chart.SetTitles(QStringLiteral("Ch.1"), QStringLiteral("V"), QStringLiteral("Time (sec)"));
    chart.Reset({0.001, 0.001, 0.0});
    feed(chart);
    const auto hasSpike = [&] {
        return std::any_of(chart.Line().begin(), chart.Line().end(), [](const ChartPoint& p) {
            return std::fabs(p.X - 12.345) < 1e-9 && p.Y == 0.001 * -777;
        });
    };
    QVERIFY(hasSpike());
    QVERIFY(chart.ValueTicks().Min <= -0.777);
    QVERIFY(!chart.NeedsRebuild());
    chart.resize(1200, 200);
    QVERIFY(chart.NeedsRebuild());
    feed(chart);
    QVERIFY(!chart.NeedsRebuild());
    QCOMPARE(chart.Envelope().Count(), 30'000);
    QVERIFY(chart.Line().size() > 300u);
    QVERIFY(hasSpike());
}

QTEST_MAIN(ChartPanelTest)
#include "ChartPanelTest.moc"
