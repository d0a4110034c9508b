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

class ChartPanelTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void layoutForOneThreeAndSixChannels();
    void resizingThePanelLaysTheChartsOutAgain();
    void titlesUnitsAndLooks();
    void aMillionPointsBecomeAnEnvelopeOfTheirExtremes();
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
    QString AxisTitle(int k, Qt::Orientation orientation) const {
        return View(k)->chart()->axes(orientation).value(0)->titleText();
    }
    int PlotWidth(int k) const { return static_cast<int>(View(k)->chart()->plotArea().width()); }
    bool SeriesContains(int k, QPointF point) const {
        const QList<QPointF> points = Series(k)->points();
        return std::find(points.begin(), points.end(), point) != points.end();
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

void ChartPanelTest::layoutForOneThreeAndSixChannels() {
    Setup(0); // raised to one
    QCOMPARE(record_.ChNum, std::int16_t{1});
    QCOMPARE(View(1)->geometry(), QRect(0, 0, 500, 393));
    QVERIFY(View(1)->isVisible() && !View(2)->isVisible() && !View(4)->isVisible());
    QCOMPARE(AxisTitle(1, Qt::Horizontal), QStringLiteral("Time (sec)"));

    Setup(3, "msec");
    for (int k = 1; k <= 3; ++k) {
        QCOMPARE(View(k)->geometry(), QRect(0, (k - 1) * 131, 500, 131));
        QVERIFY(View(k)->isVisible());
    }
    QVERIFY(!View(4)->isVisible());
    QCOMPARE(AxisTitle(1, Qt::Horizontal), QString());
    QCOMPARE(AxisTitle(3, Qt::Horizontal), QStringLiteral("Time (msec)"));

    Setup(6);
    for (int k = 1; k <= 4; ++k) {
        QCOMPARE(View(k)->geometry(), QRect(0, (k - 1) * 65, 500, 65));
        QVERIFY(View(k)->isVisible());
        QCOMPARE(AxisTitle(k, Qt::Horizontal), QString());
    }
    const std::vector<double> xy = {1.0, 2.0};
    panel_->AppendPoints(4, xy, xy); // channels 4 and 5 have no chart
    for (int k = 0; k < 4; ++k) {
        QVERIFY(panel_->Chart(k).Envelope().Empty());
    }

    // Back to two: the charts beyond keep their bounds, hidden.
    Setup(2);
    QCOMPARE(View(2)->geometry(), QRect(0, 196, 500, 196));
    QCOMPARE(View(3)->geometry(), QRect(0, 130, 500, 65));
    QVERIFY(!View(3)->isVisible());
    QCOMPARE(AxisTitle(2, Qt::Horizontal), QStringLiteral("Time (sec)"));
}

void ChartPanelTest::resizingThePanelLaysTheChartsOutAgain() {
    Setup(3);
    panel_->resize(640, 300);
    QCoreApplication::processEvents();
    QCOMPARE(View(3)->geometry(), QRect(0, 200, 640, 100));
    record_.ChNum = 4; // a new count alone changes nothing until the next set-up
    QVERIFY(!View(4)->isVisible());
    QCOMPARE(View(1)->height(), 100);
}

void ChartPanelTest::titlesUnitsAndLooks() {
    record_.Channel(1).Item = "\x89\xb7\x93x"; // 温度 in CP932
    record_.Channel(1).Unit = "\x81\x8e";      // ℃
    record_.Channel(3).Item = "Flow";
    Setup(2);
    QCOMPARE(View(1)->chart()->title(), QStringLiteral("Ch.1"));
    QCOMPARE(AxisTitle(1, Qt::Vertical), QStringLiteral("mV"));
    QCOMPARE(View(2)->chart()->title(), QStringLiteral("温度"));
    QCOMPARE(AxisTitle(2, Qt::Vertical), QStringLiteral("℃"));
    QCOMPARE(View(4)->chart()->title(), QStringLiteral("Flow")); // hidden charts too
    for (int k = 1; k <= 4; ++k) {
        QVERIFY(Series(k));
        QCOMPARE(View(k)->chart()->series().size(), 1);
        QCOMPARE(Series(k)->pen().color(), QColor(Qt::red));
        QVERIFY(!Series(k)->pointsVisible());
        QVERIFY(!View(k)->chart()->legend()->isVisible());
        QCOMPARE(View(k)->chart()->backgroundBrush().color(), QColor(Qt::white));
    }
}

void ChartPanelTest::aMillionPointsBecomeAnEnvelopeOfTheirExtremes() {
    Setup(2);
    const int n = 1 << 20;
    std::vector<double> x(n);
    std::vector<double> y(n);
    for (int i = 0; i < n; ++i) {
        x[i] = i * 1e-5;
        y[i] = 100.0 * std::sin(i * 1e-4) + (i % 13);
    }
    y[777'777] = 1234.5;
    y[3] = -987.0;
    // Bursts of 4096 points, refreshed now and then as the timer would.
    for (int from = 0; from < n; from += 4096) {
        panel_->AppendPoints(1, std::span(x).subspan(from, 4096), std::span(y).subspan(from, 4096));
        if (from % (1 << 16) == 0) {
            panel_->RefreshCharts();
            QVERIFY(Series(2)->count() <= 2 * PlotWidth(2));
        }
    }
    panel_->RefreshCharts();
    QVERIFY(Series(2)->count() > PlotWidth(2));
    QVERIFY(Series(2)->count() <= 2 * PlotWidth(2));
    const QList<QPointF> points = Series(2)->points();
    QVERIFY(std::is_sorted(points.begin(), points.end(),
                           [](QPointF a, QPointF b) { return a.x() < b.x(); }));
    QVERIFY(SeriesContains(2, QPointF(x[777'777], 1234.5)));
    QVERIFY(SeriesContains(2, QPointF(x[3], -987.0)));
    auto* axisX = qobject_cast<QValueAxis*>(View(2)->chart()->axes(Qt::Horizontal).value(0));
    auto* axisY = qobject_cast<QValueAxis*>(View(2)->chart()->axes(Qt::Vertical).value(0));
    QCOMPARE(axisX->min(), 0.0);
    QCOMPARE(axisX->max(), x[n - 1]);
    QCOMPARE(axisY->min(), -987.0);
    QCOMPARE(axisY->max(), 1234.5);
    QCOMPARE(Series(1)->count(), 0);
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
    const std::vector<double> next = {-1.0};
    panel_->AppendPoints(0, std::span(x).first(1), next);
    panel_->RefreshCharts();
    QCOMPARE(Series(1)->points(), QList<QPointF>{QPointF(0.0, -1.0)});
}

void ChartPanelTest::appendsAreDrawnByTheTimerAtMostTwentyFiveTimesASecond() {
    Setup(1);
    int replaced = 0;
    connect(Series(1), &QXYSeries::pointsReplaced, this, [&replaced] { ++replaced; });
    const std::vector<double> y = {1.0, 3.0};
    QElapsedTimer elapsed;
    elapsed.start();
    for (double t = 0.0; elapsed.elapsed() < 600; t += 1.0) {
        const std::vector<double> x = {t, t + 0.5};
        panel_->AppendPoints(0, x, y);
        QTest::qWait(2);
    }
    const qint64 ms = elapsed.elapsed();
    QTRY_VERIFY(Series(1)->count() > 0);
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

    panel_->resize(1600, 393);
    QCoreApplication::processEvents();
    panel_->RefreshCharts();
    QCOMPARE(panel_->Chart(0).Envelope().Columns(), StripChart::ColumnsForWidth(1600));
    QVERIFY(Series(1)->count() > narrow);
    QVERIFY(Series(1)->count() <= 2 * PlotWidth(1));
    QVERIFY(SeriesContains(1, QPointF(50'001.0, 500.0)));
}

QTEST_MAIN(ChartPanelTest)
#include "ChartPanelTest.moc"
