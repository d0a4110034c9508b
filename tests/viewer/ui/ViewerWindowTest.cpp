// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/ui/ViewerWindow.h"

#include "acquisition/ui/StripChart.h"
#include "data/DateTime.h"
#include "data/RecordingLock.h"
#include "data/TFrmSDFdata.h"
#include "tests/ScratchFolder.h"
#include "tests/ScriptedDialogs.h"
#include "tests/upgrade/SdfBytes.h"
#include "viewer/ui/ViewerCharts.h"

#include <QAction>
#include <QCheckBox>
#include <QImage>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>

#include <cmath>
#include <filesystem>
#include <memory>

using namespace tessary;
using tessary::testing::ReadAll;
using tessary::testing::ScratchFolder;
using tessary::testing::ScriptedDialogs;
using tessary::testing::WriteAll;

namespace {

constexpr int Scans = 400;

// Four channels with their own coefficients; sample i of channel c in burst k is
// k·1000 + c·100 + i % 50, except a spike of 3000 at scan 123 of channel 0 and missing
// samples at scans 200 to 209 of channel 2.
void WriteFourChannels(const std::string& path, bool tsd, int bursts, int stated = 0) {
    ScriptedDialogs dialogs;
    TFrmSDFdata holder(dialogs);
    MeasurementParameters& r = holder.Record();
    r.Memo = "viewer test";
    r.ChNum = 4;
    r.DataNum = Scans;
    r.SInterval = 2;
    r.SITUnit = UnitMsec;
    r.Iteration = static_cast<std::int16_t>(stated > 0 ? stated : bursts);
    r.BInterval = 10;
    r.BITUnit = UnitSec;
    r.StartTime = EncodeDateTime({2026, 3, 4, 5, 6, 7, 0});
    r.Channels[0] = {"Force", "N", 0.5f, 10.0f};
    r.Channels[1] = {"Temp", "degC", 0.25f, -5.0f};
    r.Channels[2] = {"Flow", "l/min", 1.0f, 0.0f};
    r.Channels[3] = {"Volt", "mV", -2.0f, 1.0f};
    r.AllocateSampleBuffers();
    r.TargetFileName = path;
    QVERIFY(tsd ? holder.WriteTsdHeader(path) : holder.WriteSdfHeader(path));
    for (int k = 0; k < bursts; ++k) {
        for (std::size_t c = 0; c < 4; ++c) {
            for (std::size_t i = 0; i < Scans; ++i) {
                r.Samples[c][i] = static_cast<std::int16_t>(k * 1000 + c * 100 + i % 50);
            }
        }
        r.Samples[0][123] = 3000;
        for (std::size_t i = 200; i < 210; ++i) {
            r.Samples[2][i] = ErrorValue;
        }
        QVERIFY(tsd ? holder.WriteTsdBlock(k) : holder.WriteSdfBlock(k));
    }
}

QString Cell(QTableWidget& table, int row, int column) {
    const QTableWidgetItem* item = table.item(row, column);
    return item != nullptr ? item->text() : QString();
}

} // namespace

class ViewerWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        dialogs_.Shown.clear();
        answers_.clear();
    }
    void navigationByKeysButtonsSpinAndSliderShowsBurstsWithTheirPlannedStart();
    void cursorsReadTheFilesSamplesThroughTheirCoefficients();
    void missingSamplesAreGapsAndDashes();
    void zoomStaysWithinTheBurstAndAtLeastFourSamples();
    void anOverlayIsDrawnInASecondColour();
    void aCutOffRecordingAndEachOldLayoutOpen();
    void aRecordingBeingWrittenIsReloadedWithItsNewBursts();
    void hostileFilesGiveErrorsNamingThem();
    void theShownRangeGoesToCsvAndTheChartsToPng();

private:
    std::unique_ptr<ViewerWindow> Open(const std::string& path) {
        auto window =
            std::make_unique<ViewerWindow>(QString::fromStdString(path), dialogs_,
                                           [this](QWidget*, const QString&, const QString& proposed,
                                                  bool) -> std::optional<QString> {
                                               proposals_ << proposed;
                                               if (answers_.isEmpty()) {
                                                   return std::nullopt;
                                               }
                                               return answers_.takeFirst();
                                           });
        window->resize(1000, 700);
        window->show();
        Settle(*window);
        return window;
    }
    static void Settle(ViewerWindow& window) {
        QSignalSpy settled(&window, &ViewerWindow::Settled);
        QTRY_VERIFY_WITH_TIMEOUT(!settled.isEmpty() || window.Info() != nullptr, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(window.Info() == nullptr || window.Bursts() == 0 ||
                                     window.ShownBurst().has_value(),
                                 10000);
    }
    static void WaitForBurst(ViewerWindow& window, std::int64_t k) {
        QTRY_COMPARE_WITH_TIMEOUT(window.ShownBurst().value_or(-1), k, 10000);
    }

    ScratchFolder folder_;
    ScriptedDialogs dialogs_;
    QStringList answers_;
    QStringList proposals_;
};

void ViewerWindowTest::navigationByKeysButtonsSpinAndSliderShowsBurstsWithTheirPlannedStart() {
    const std::string path = folder_.File("nav.sdf");
    WriteFourChannels(path, false, 5);
    auto window = Open(path);
    QCOMPARE(window->Bursts(), 5);
    WaitForBurst(*window, 0);
    QCOMPARE(window->windowTitle(),
             QStringLiteral("nav.sdf - バースト 1 / 5（開始予定 2026/03/04 05:06:07 000）"));
    QCOMPARE(window->Charts().Charts(), 4);
    QCOMPARE(window->Charts().Chart(3).BottomTitle(), QStringLiteral("Time (msec)"));
    QCOMPARE(window->Charts().Chart(1).Title(), QStringLiteral("Temp"));
    QCOMPARE(window->Notice(), QString());
    QTest::keyClick(window.get(), Qt::Key_PageDown);
    WaitForBurst(*window, 1);
    QCOMPARE(window->windowTitle(),
             QStringLiteral("nav.sdf - バースト 2 / 5（開始予定 2026/03/04 05:06:17 000）"));
    QTest::keyClick(window.get(), Qt::Key_End);
    WaitForBurst(*window, 4);
    QTest::keyClick(window.get(), Qt::Key_PageDown); // stays on the last
    QTest::keyClick(window.get(), Qt::Key_PageUp);
    WaitForBurst(*window, 3);
    QTest::keyClick(window.get(), Qt::Key_Home);
    WaitForBurst(*window, 0);
    window->findChild<QSpinBox*>(QStringLiteral("ViewerBurstNumber"))->setValue(3);
    WaitForBurst(*window, 2);
    QCOMPARE(window->findChild<QSlider*>(QStringLiteral("ViewerBurstSlider"))->value(), 3);
    window->findChild<QSlider*>(QStringLiteral("ViewerBurstSlider"))->setValue(5);
    WaitForBurst(*window, 4);
    // Many requests in a row: the last one wins.
    for (int k = 0; k < 5; ++k) {
        window->ShowBurst(k % 4);
    }
    window->ShowBurst(1);
    WaitForBurst(*window, 1);
    QTest::qWait(50);
    QCOMPARE(window->ShownBurst().value_or(-1), 1);
}

void ViewerWindowTest::cursorsReadTheFilesSamplesThroughTheirCoefficients() {
    for (const bool tsd : {false, true}) {
        const std::string path = folder_.File(tsd ? "cur.tsd" : "cur.sdf");
        WriteFourChannels(path, tsd, 3);
        auto window = Open(path);
        window->ShowBurst(2);
        WaitForBurst(*window, 2);
        ViewerCharts& charts = window->Charts();
        // A click on the first chart at the time of scan 123 (2 msec a scan).
        StripChart& chart = charts.Chart(0);
        const QRect plot = chart.PlotArea();
        const double x = plot.left() + 246.0 / charts.To() * plot.width();
        QTest::mouseClick(&chart, Qt::LeftButton, {},
                          QPoint(static_cast<int>(std::round(x)), plot.center().y()));
        QVERIFY(charts.Cursor(0).has_value());
        const int scan = static_cast<int>(std::round(*charts.Cursor(0) / 2.0));
        QVERIFY(std::abs(scan - 123) <= 1);
        charts.SetCursor(0, 246.0);
        charts.SetCursor(1, 250.0);
        QTableWidget& readout = window->Readout();
        QCOMPARE(Cell(readout, 0, 2), QStringLiteral("246"));
        QCOMPARE(Cell(readout, 0, 4), QStringLiteral("4"));
        QCOMPARE(Cell(readout, 1, 2), QStringLiteral("2026/03/04 05:06:27 246"));
        // Row 2 on: the channels. Scan 123 of channel 0 holds the spike 3000: 0.5·3000 + 10.
        QCOMPARE(Cell(readout, 2, 0), QStringLiteral("Force"));
        QCOMPARE(Cell(readout, 2, 1), QStringLiteral("N"));
        QCOMPARE(Cell(readout, 2, 2), QStringLiteral("1510"));
        QCOMPARE(Cell(readout, 2, 3), QString::number(0.5 * (2000 + 125 % 50) + 10));
        QCOMPARE(Cell(readout, 3, 2), QString::number(0.25 * (2100 + 123 % 50) - 5));
        QCOMPARE(Cell(readout, 5, 2), QString::number(-2.0 * (2300 + 123 % 50) + 1));
        // Statistics of the whole burst: the spike is the maximum of channel 0.
        charts.ShowWholeBurst();
        QCOMPARE(Cell(readout, 2, 6), QStringLiteral("1510"));
        QCOMPARE(Cell(readout, 2, 5), QString::number(0.5 * 2000 + 10));
        QCOMPARE(Cell(readout, 4, 9), QStringLiteral("10"));
        QCOMPARE(Cell(readout, 2, 9), QStringLiteral("0"));
    }
}

void ViewerWindowTest::missingSamplesAreGapsAndDashes() {
    const std::string path = folder_.File("gaps.tsd");
    WriteFourChannels(path, true, 1);
    auto window = Open(path);
    WaitForBurst(*window, 0);
    ViewerCharts& charts = window->Charts();
    charts.SetCursor(0, 2.0 * 205);
    QCOMPARE(Cell(window->Readout(), 4, 2), QStringLiteral("—"));
    QCOMPARE(Cell(window->Readout(), 4, 4), QStringLiteral("—"));
    for (const auto& [from, to] : {std::pair{380.0, 440.0}, std::pair{0.0, 798.0}}) {
        charts.ShowRange(from, to);
        const std::vector<ChartPoint>& line = charts.Chart(2).Line();
        int breaks = 0;
        for (const ChartPoint& p : line) {
            if (std::isnan(p.Y)) {
                ++breaks;
                continue;
            }
            // No point is drawn inside the gap (scans 200 to 209, 400 to 418 msec).
            QVERIFY(p.X < 400.0 - 1e-9 || p.X > 418.0 + 1e-9 || to - from > 100.0);
        }
        QCOMPARE(breaks, 1);
    }
}

void ViewerWindowTest::zoomStaysWithinTheBurstAndAtLeastFourSamples() {
    const std::string path = folder_.File("zoom.sdf");
    WriteFourChannels(path, false, 1);
    auto window = Open(path);
    WaitForBurst(*window, 0);
    ViewerCharts& charts = window->Charts();
    const double whole = 2.0 * (Scans - 1);
    QCOMPARE(charts.From(), 0.0);
    QCOMPARE(charts.To(), whole);
    charts.Zoom(1e-9, 300.0);
    QCOMPARE(charts.To() - charts.From(), 4 * 2.0);
    QVERIFY(charts.From() <= 300.0 && charts.To() >= 300.0);
    charts.Pan(1e6);
    QCOMPARE(charts.To(), whole);
    charts.Zoom(1e9);
    QCOMPARE(charts.From(), 0.0);
    QCOMPARE(charts.To(), whole);
    // The keys: + halves the span, 0 shows the whole burst, arrows pan.
    QTest::keyClick(window.get(), Qt::Key_Plus);
    QCOMPARE(charts.To() - charts.From(), whole / 2);
    QTest::keyClick(window.get(), Qt::Key_Left);
    QCOMPARE(charts.From(), whole / 4 - whole / 20);
    QTest::keyClick(window.get(), Qt::Key_0);
    QCOMPARE(charts.To() - charts.From(), whole);
    // A drag across a chart zooms to the dragged range; the wheel zooms about the pointer.
    StripChart& chart = charts.Chart(1);
    const QRect plot = chart.PlotArea();
    const int y = plot.center().y();
    QTest::mousePress(&chart, Qt::LeftButton, {}, QPoint(plot.left() + plot.width() / 4, y));
    QTest::mouseMove(&chart, QPoint(plot.left() + plot.width() / 2, y));
    QTest::mouseRelease(&chart, Qt::LeftButton, {}, QPoint(plot.left() + plot.width() / 2, y));
    QVERIFY(std::abs(charts.From() - whole / 4) < whole / 100);
    QVERIFY(std::abs(charts.To() - whole / 2) < whole / 100);
    QVERIFY(!charts.Cursor(0).has_value());
    charts.ShowWholeBurst();
    QWheelEvent wheel(QPointF(plot.left() + plot.width() * 0.75, y),
                      chart.mapToGlobal(QPointF(0, 0)), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&chart, &wheel);
    QVERIFY(charts.To() - charts.From() < whole * 0.81);
    QVERIFY(std::abs(charts.From() + (charts.To() - charts.From()) * 0.75 - whole * 0.75) <
            whole / 100);
}

void ViewerWindowTest::anOverlayIsDrawnInASecondColour() {
    const std::string path = folder_.File("overlay.sdf");
    WriteFourChannels(path, false, 3);
    auto window = Open(path);
    WaitForBurst(*window, 0);
    auto* check = window->findChild<QCheckBox*>(QStringLiteral("ViewerOverlay"));
    window->findChild<QSpinBox*>(QStringLiteral("ViewerOverlayNumber"))->setValue(3);
    check->setChecked(true);
    QTRY_COMPARE_WITH_TIMEOUT(window->OverlayBurst().value_or(-1), 2, 10000);
    StripChart& chart = window->Charts().Chart(1);
    QVERIFY(!chart.OverlayLine().empty());
    // The overlay's values (burst 3: 2100 + i % 50 on channel 1) raise the value axis.
    QVERIFY(chart.ValueTicks().Max >= 0.25 * 2149 - 5);
    const QImage image = chart.grab().toImage();
    int blue = 0;
    int red = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            blue += qBlue(p) > 150 && qRed(p) < 80 ? 1 : 0;
            red += qRed(p) > 200 && qGreen(p) < 80 && qBlue(p) < 80 ? 1 : 0;
        }
    }
    QVERIFY(blue > 50);
    QVERIFY(red > 50);
    // Next burst: the overlay stays.
    QTest::keyClick(window.get(), Qt::Key_PageDown);
    WaitForBurst(*window, 1);
    QCOMPARE(window->OverlayBurst().value_or(-1), 2);
    check->setChecked(false);
    QVERIFY(!window->OverlayBurst().has_value());
    QVERIFY(chart.OverlayLine().empty());
}

void ViewerWindowTest::aCutOffRecordingAndEachOldLayoutOpen() {
    const std::string path = folder_.File("cut.sdf");
    WriteFourChannels(path, false, 3, 5);
    std::filesystem::resize_file(path, std::filesystem::file_size(path) - 100);
    auto window = Open(path);
    QCOMPARE(window->Bursts(), 2);
    QCOMPARE(window->Notice(), QStringLiteral("記録が途中で終わっています。ヘッダーの 5 回のうち、"
                                              "完了したバースト 2 回を表示しています。"));
    window->ShowBurst(1);
    WaitForBurst(*window, 1);

    sdfbytes::Recording r;
    r.ChNum = 2;
    r.BurstValueNum = 1;
    r.DataNum = 3;
    r.Iteration = 1;
    r.Rows = {{"a", "V", 2.0f, 1.0f}, {"b", "mV", 1.0f, 0.0f}, {"n", "", 1.0f, 0.0f}};
    r.Bursts = {{1, 2, 32767, 4, 5, 6, 32767}};
    for (const int version : {1, 2, 3}) {
        const std::string old = folder_.File("old" + std::to_string(version) + ".sdf");
        WriteAll(old, sdfbytes::OldFile(r, version));
        auto oldWindow = Open(old);
        WaitForBurst(*oldWindow, 0);
        oldWindow->Charts().SetCursor(0, 0.0);
        oldWindow->Charts().SetCursor(1, r.SInterval * 1.0);
        QCOMPARE(Cell(oldWindow->Readout(), 2, 2), QStringLiteral("3"));
        QCOMPARE(Cell(oldWindow->Readout(), 2, 3), QStringLiteral("—"));
        QCOMPARE(Cell(oldWindow->Readout(), 3, 3), QStringLiteral("4"));
        QCOMPARE(ReadAll(old), sdfbytes::OldFile(r, version));
        QVERIFY(dialogs_.Shown.empty());
    }
}

void ViewerWindowTest::aRecordingBeingWrittenIsReloadedWithItsNewBursts() {
    const std::string path = folder_.File("live.sdf");
    const std::string full = folder_.File("full.sdf");
    WriteFourChannels(full, false, 4);
    const std::string bytes = ReadAll(full);
    const std::size_t block = Scans * 4 * 2;
    WriteAll(path, bytes.substr(0, bytes.size() - 2 * block));
    RecordingLock lock;
    std::string why;
    QCOMPARE(lock.Acquire(path, why), RecordingLock::Result::Taken);
    auto window = Open(path);
    QCOMPARE(window->Bursts(), 2);
    QVERIFY(window->Notice().startsWith(QStringLiteral("このファイルは記録中です。")));
    window->ShowBurst(1);
    WaitForBurst(*window, 1);
    WriteAll(path, bytes);
    window->Reload();
    QTRY_COMPARE_WITH_TIMEOUT(window->Bursts(), 4, 10000);
    WaitForBurst(*window, 1);
    window->ShowBurst(3);
    WaitForBurst(*window, 3);
    QVERIFY(dialogs_.Shown.empty());
}

void ViewerWindowTest::hostileFilesGiveErrorsNamingThem() {
    const std::string text = folder_.File("text.tsd");
    WriteAll(text, "Time Series Data Text Format Ver.2\r\nmemo\r\n");
    {
        auto window = Open(text);
        QTRY_VERIFY_WITH_TIMEOUT(!dialogs_.Shown.empty(), 10000);
        QVERIFY(QString::fromStdString(dialogs_.Shown.back().Text)
                    .startsWith(QString::fromStdString(text)));
        QVERIFY(!window->ShownBurst().has_value());
    }
    dialogs_.Shown.clear();
    // A file that shrinks while it is shown: the next burst gives an error, the window stays.
    const std::string path = folder_.File("shrinks.sdf");
    WriteFourChannels(path, false, 3);
    auto window = Open(path);
    WaitForBurst(*window, 0);
    std::filesystem::resize_file(path, 600);
    window->ShowBurst(2);
    QTRY_VERIFY_WITH_TIMEOUT(!dialogs_.Shown.empty(), 10000);
    QVERIFY(QString::fromStdString(dialogs_.Shown.back().Text)
                .startsWith(QString::fromStdString(path)));
    QCOMPARE(window->ShownBurst().value_or(-1), 0);
    window->Reload();
    QTRY_COMPARE_WITH_TIMEOUT(window->Bursts(), 0, 10000);
    QCOMPARE(window->Notice(), QStringLiteral("完了したバーストがありません。"));
}

void ViewerWindowTest::theShownRangeGoesToCsvAndTheChartsToPng() {
    const std::string path = folder_.File("out.sdf");
    WriteFourChannels(path, false, 2);
    auto window = Open(path);
    window->ShowBurst(1);
    WaitForBurst(*window, 1);
    // Scans 9 to 13: the range is widened to the four sampling intervals it must show.
    window->Charts().ShowRange(20.0, 24.0);
    QCOMPARE(window->Charts().From(), 18.0);
    const QString csv = QString::fromStdString(folder_.File("part.csv"));
    answers_ << csv;
    window->ExportCsv();
    QCOMPARE(proposals_.back(), QString::fromStdString(folder_.File("out_2.csv")));
    QTRY_VERIFY_WITH_TIMEOUT(window->Notice().startsWith(csv), 10000);
    QCOMPARE(QString::fromStdString(ReadAll(csv.toStdString())),
             QStringLiteral("burst,time_s,Force [N],Temp [degC],Flow [l/min],Volt [mV]\r\n"
                            "2,0.018,514.5,272.25,1209,-2617\r\n"
                            "2,0.02,515,272.5,1210,-2619\r\n"
                            "2,0.022,515.5,272.75,1211,-2621\r\n"
                            "2,0.024,516,273,1212,-2623\r\n"
                            "2,0.026,516.5,273.25,1213,-2625\r\n"));
    const QString png = QString::fromStdString(folder_.File("charts.png"));
    answers_ << png;
    window->ExportPng();
    const QImage image(png);
    QCOMPARE(image.size(), window->Charts().size());
    answers_ << QString::fromStdString(folder_.File("no/such/folder/x.png"));
    window->ExportPng();
    QCOMPARE(dialogs_.Shown.size(), std::size_t{1});
    QVERIFY(QString::fromStdString(dialogs_.Shown.back().Text)
                .contains(QStringLiteral("no/such/folder")));
}

QTEST_MAIN(ViewerWindowTest)
#include "ViewerWindowTest.moc"
