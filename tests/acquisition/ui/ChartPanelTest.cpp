#include "acquisition/ui/ChartPanel.h"
#include "acquisition/ui/StripChart.h"

#include <QChart>
#include <QChartView>
#include <QElapsedTimer>
#include <QLegend>
#include <QLineSeries>
#include <QTest>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

using namespace tessary;

namespace {

QString AxisTitle(QChartView* view, Qt::Orientation orientation) {
    return view->chart()->axes(orientation).value(0)->titleText();
}

int PlotWidth(QChartView* view) {
    return static_cast<int>(view->chart()->plotArea().width());
}

bool SeriesContains(const QLineSeries* series, QPointF point) {
    const QList<QPointF> points = series->points();
    return std::find(points.begin(), points.end(), point) != points.end();
}

} // namespace

class ChartPanelTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void layoutForOneChannel();
    void layoutForThreeChannels();
    void layoutForSixChannels();
    void zeroChannelsAreRaisedToOne();
    void resizingThePanelLaysTheChartsOutAgain();
    void titlesAndUnitsComeFromTheChannelTable();
    void chartsAreRedLinesOnWhiteWithoutLegend();
    void aMillionPointsBecomeAnEnvelopeOfTheirExtremes();
    void incrementalBurstsStayWithinTwoPointsPerPixel();
    void setupClearsTheSeriesAndTheBuffers();
    void appendsAreDrawnByTheTimerAtMostTwentyFiveTimesASecond();
    void widerChartsRebuildTheEnvelope();

private:
    QChartView* View(int k) const {
        return panel_->findChild<QChartView*>(QStringLiteral("Chart%1").arg(k));
    }
    QLineSeries* Series(int k) const {
        return View(k)->chart()->findChild<QLineSeries*>(QStringLiteral("Series%1").arg(k));
    }
    void Setup(std::int16_t chNum, const std::string& unit = "sec") {
        record_.ChNum = chNum;
        panel_->Panel2Resize();
        panel_->SetupCharts(unit);
        QCoreApplication::processEvents();
    }

    MeasurementParameters record_;
    std::unique_ptr<ChartPanel> panel_;
};

void ChartPanelTest::init() {
    record_ = MeasurementParameters{};
    for (int k = 0; k < 4; ++k) {
        record_.Channel(k).Item = "Ch." + std::to_string(k + 1);
        record_.Channel(k).Unit = "mV";
    }
    panel_ = std::make_unique<ChartPanel>(record_);
    panel_->resize(500, 393);
    panel_->show();
    QVERIFY(QTest::qWaitForWindowExposed(panel_.get()));
}

void ChartPanelTest::cleanup() {
    panel_.reset();
}

void ChartPanelTest::layoutForOneChannel() {
    Setup(1);
    QCOMPARE(View(1)->geometry(), QRect(0, 0, 500, 393));
    QVERIFY(View(1)->isVisible());
    for (int k = 2; k <= 4; ++k) {
        QVERIFY(!View(k)->isVisible());
    }
    QCOMPARE(AxisTitle(View(1), Qt::Horizontal), QStringLiteral("Time (sec)"));
}

void ChartPanelTest::layoutForThreeChannels() {
    Setup(3, "msec");
    for (int k = 1; k <= 3; ++k) {
        QCOMPARE(View(k)->geometry(), QRect(0, (k - 1) * 131, 500, 131));
        QVERIFY(View(k)->isVisible());
    }
    QVERIFY(!View(4)->isVisible());
    QCOMPARE(AxisTitle(View(1), Qt::Horizontal), QString());
    QCOMPARE(AxisTitle(View(2), Qt::Horizontal), QString());
    QCOMPARE(AxisTitle(View(3), Qt::Horizontal), QStringLiteral("Time (msec)"));
    QCOMPARE(AxisTitle(View(4), Qt::Horizontal), QString());
}

void ChartPanelTest::layoutForSixChannels() {
    Setup(3);
    Setup(6);
    for (int k = 1; k <= 4; ++k) {
        QCOMPARE(View(k)->geometry(), QRect(0, (k - 1) * 65, 500, 65));
        QVERIFY(View(k)->isVisible());
        QCOMPARE(AxisTitle(View(k), Qt::Horizontal), QString());
    }
    // Channels 4 and 5 have no chart.
    const std::vector<double> x = {0.0, 1.0};
    const std::vector<double> y = {1.0, 2.0};
    panel_->AppendPoints(4, x, y);
    panel_->AppendPoints(-1, x, y);
    for (int k = 0; k < 4; ++k) {
        QVERIFY(panel_->Chart(k).Envelope().Empty());
    }

    // Back to two channels: charts 3 and 4 keep their bounds and are hidden.
    Setup(2);
    QCOMPARE(View(1)->geometry(), QRect(0, 0, 500, 196));
    QCOMPARE(View(2)->geometry(), QRect(0, 196, 500, 196));
    QCOMPARE(View(3)->geometry(), QRect(0, 130, 500, 65));
    QVERIFY(!View(3)->isVisible());
    QCOMPARE(AxisTitle(View(2), Qt::Horizontal), QStringLiteral("Time (sec)"));
}

void ChartPanelTest::zeroChannelsAreRaisedToOne() {
    record_.ChNum = 0;
    panel_->Panel2Resize();
    QCOMPARE(record_.ChNum, std::int16_t{1});
    QCOMPARE(View(1)->geometry(), QRect(0, 0, 500, 393));
}

void ChartPanelTest::resizingThePanelLaysTheChartsOutAgain() {
    Setup(3);
    panel_->resize(640, 300);
    QCoreApplication::processEvents();
    QCOMPARE(View(3)->geometry(), QRect(0, 200, 640, 100));
    // A new count alone changes nothing until the next layout.
    record_.ChNum = 4;
    QVERIFY(!View(4)->isVisible());
    QCOMPARE(View(1)->height(), 100);
}

void ChartPanelTest::titlesAndUnitsComeFromTheChannelTable() {
    record_.Channel(1).Item = "\x89\xb7\x93x"; // 温度 in CP932
    record_.Channel(1).Unit = "\x81\x8e";      // ℃
    record_.Channel(3).Item = "Flow";
    record_.Channel(3).Unit = "l/min";
    Setup(2);
    QCOMPARE(View(1)->chart()->title(), QStringLiteral("Ch.1"));
    QCOMPARE(AxisTitle(View(1), Qt::Vertical), QStringLiteral("mV"));
    QCOMPARE(View(2)->chart()->title(), QStringLiteral("温度"));
    QCOMPARE(AxisTitle(View(2), Qt::Vertical), QStringLiteral("℃"));
    // Hidden charts are titled too.
    QCOMPARE(View(4)->chart()->title(), QStringLiteral("Flow"));
    QCOMPARE(AxisTitle(View(4), Qt::Vertical), QStringLiteral("l/min"));
}

void ChartPanelTest::chartsAreRedLinesOnWhiteWithoutLegend() {
    for (int k = 1; k <= 4; ++k) {
        QChartView* view = View(k);
        QVERIFY(view);
        QLineSeries* series = Series(k);
        QVERIFY(series);
        QCOMPARE(view->chart()->series().size(), 1);
        QCOMPARE(series->pen().color(), QColor(Qt::red));
        QVERIFY(!series->pointsVisible());
        QVERIFY(!view->chart()->legend()->isVisible());
        QCOMPARE(view->chart()->backgroundBrush().color(), QColor(Qt::white));
    }
}

void ChartPanelTest::aMillionPointsBecomeAnEnvelopeOfTheirExtremes() {
    Setup(2);
    const int n = 1'000'000;
    std::vector<double> x(n);
    std::vector<double> y(n);
    for (int i = 0; i < n; ++i) {
        x[i] = i * 1e-5;
        y[i] = 100.0 * std::sin(i * 1e-4);
    }
    y[777'777] = 1234.5;
    y[3] = -987.0;
    panel_->AppendPoints(1, x, y);
    panel_->RefreshCharts();
    QCoreApplication::processEvents();
    panel_->RefreshCharts();

    QLineSeries* series = Series(2);
    QVERIFY(series->count() > 0);
    QVERIFY(series->count() <= 2 * PlotWidth(View(2)));
    QVERIFY(SeriesContains(series, QPointF(x[777'777], 1234.5)));
    QVERIFY(SeriesContains(series, QPointF(x[3], -987.0)));
    auto* axisX = qobject_cast<QValueAxis*>(View(2)->chart()->axes(Qt::Horizontal).value(0));
    auto* axisY = qobject_cast<QValueAxis*>(View(2)->chart()->axes(Qt::Vertical).value(0));
    QCOMPARE(axisX->min(), 0.0);
    QCOMPARE(axisX->max(), x[n - 1]);
    QCOMPARE(axisY->min(), -987.0);
    QCOMPARE(axisY->max(), 1234.5);
    QCOMPARE(Series(1)->count(), 0);
}

void ChartPanelTest::incrementalBurstsStayWithinTwoPointsPerPixel() {
    Setup(4);
    double high = -1.0;
    for (int start = 0; start < 200'000; start += 32) {
        std::vector<double> x;
        std::vector<double> y;
        for (int i = start; i < start + 32; ++i) {
            x.push_back(i * 0.5);
            y.push_back(static_cast<double>((i * 7919) % 1009));
            high = std::max(high, y.back());
        }
        panel_->AppendPoints(3, x, y);
        if (start % 3200 == 0) {
            panel_->RefreshCharts();
            QVERIFY(Series(4)->count() <= 2 * PlotWidth(View(4)));
        }
    }
    panel_->RefreshCharts();
    QVERIFY(Series(4)->count() <= 2 * PlotWidth(View(4)));
    const QList<QPointF> points = Series(4)->points();
    QVERIFY(std::is_sorted(points.begin(), points.end(),
                           [](QPointF a, QPointF b) { return a.x() < b.x(); }));
    const auto top = std::max_element(points.begin(), points.end(),
                                      [](QPointF a, QPointF b) { return a.y() < b.y(); });
    QCOMPARE(top->y(), high);
}

void ChartPanelTest::setupClearsTheSeriesAndTheBuffers() {
    Setup(1);
    const std::vector<double> x = {0.0, 1.0, 2.0};
    const std::vector<double> y = {5.0, 6.0, 7.0};
    panel_->AppendPoints(0, x, y);
    panel_->RefreshCharts();
    QCOMPARE(Series(1)->count(), 3);
    Setup(1);
    QCOMPARE(Series(1)->count(), 0);
    QVERIFY(panel_->Chart(0).Envelope().Empty());
    // The next burst starts from its own first point.
    const std::vector<double> y2 = {-1.0};
    panel_->AppendPoints(0, std::span(x).first(1), y2);
    panel_->RefreshCharts();
    QCOMPARE(Series(1)->points(), QList<QPointF>{QPointF(0.0, -1.0)});
}

void ChartPanelTest::appendsAreDrawnByTheTimerAtMostTwentyFiveTimesASecond() {
    Setup(1);
    int replaced = 0;
    connect(Series(1), &QXYSeries::pointsReplaced, this, [&replaced] { ++replaced; });
    double t = 0.0;
    const std::vector<double> y = {1.0, 3.0};
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < 600) {
        const std::vector<double> x = {t, t + 0.5};
        t += 1.0;
        panel_->AppendPoints(0, x, y);
        QTest::qWait(2);
    }
    const qint64 ms = elapsed.elapsed();
    QTRY_VERIFY(Series(1)->count() > 0);
    QVERIFY(replaced >= 1);
    QVERIFY2(replaced <= ms / ChartPanel::RefreshIntervalMs + 2,
             qPrintable(QStringLiteral("%1 refreshes in %2 ms").arg(replaced).arg(ms)));
}

void ChartPanelTest::widerChartsRebuildTheEnvelope() {
    Setup(1);
    panel_->resize(200, 393);
    QCoreApplication::processEvents();
    std::vector<double> x(100'000);
    std::vector<double> y(100'000);
    for (std::size_t i = 0; i < x.size(); ++i) {
        x[i] = static_cast<double>(i);
        y[i] = static_cast<double>(i % 100);
    }
    y[50'001] = 500.0;
    panel_->AppendPoints(0, x, y);
    panel_->RefreshCharts();
    const int narrow = Series(1)->count();
    QVERIFY(narrow <= 2 * PlotWidth(View(1)));

    panel_->resize(1600, 393);
    QCoreApplication::processEvents();
    panel_->RefreshCharts();
    QCoreApplication::processEvents();
    panel_->RefreshCharts();
    QCOMPARE(panel_->Chart(0).Envelope().Columns(), StripChart::ColumnsForWidth(1600));
    QVERIFY(Series(1)->count() > narrow);
    QVERIFY(Series(1)->count() <= 2 * PlotWidth(View(1)));
    QVERIFY(SeriesContains(Series(1), QPointF(50'001.0, 500.0)));
}

QTEST_MAIN(ChartPanelTest)
#include "ChartPanelTest.moc"
