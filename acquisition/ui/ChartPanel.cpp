#include "acquisition/ui/ChartPanel.h"

#include "acquisition/ChartSetup.h"
#include "acquisition/ui/StripChart.h"

#include <QLineSeries>

namespace tessary {

ChartPanel::ChartPanel(MeasurementParameters& record, QWidget* parent)
    : QWidget(parent), record_(record) {
    for (int k = 0; k < ChartCount; ++k) {
        auto* chart = new StripChart(QStringLiteral("Chart%1").arg(k + 1),
                                     QStringLiteral("Series%1").arg(k + 1), this);
        connect(chart, &StripChart::Changed, this, [this] {
            if (!refreshTimer_.isActive()) {
                refreshTimer_.start();
            }
        });
        charts_[static_cast<std::size_t>(k)] = chart;
    }
    refreshTimer_.setInterval(RefreshIntervalMs);
    connect(&refreshTimer_, &QTimer::timeout, this, [this] {
        bool any = false;
        for (StripChart* chart : charts_) {
            any = any || chart->Dirty();
        }
        if (any) {
            RefreshCharts();
        } else {
            refreshTimer_.stop();
        }
    });
}

void ChartPanel::Panel2Resize() {
    layout_.Resize(record_.ChNum, width(), height());
    for (int k = 0; k < ChartCount; ++k) {
        const ChartBounds& b = layout_.Bounds(k);
        charts_[static_cast<std::size_t>(k)]->setGeometry(b.Left, b.Top, b.Width, b.Height);
    }
}

void ChartPanel::SetupCharts(const std::string& displayUnitName) {
    const auto captions = ChartSetup::Captions(record_, displayUnitName);
    for (int k = 0; k < ChartCount; ++k) {
        const ChartCaptions& c = captions[static_cast<std::size_t>(k)];
        StripChart* chart = charts_[static_cast<std::size_t>(k)];
        chart->setVisible(c.Visible);
        chart->ClearPoints();
        chart->SetTitles(QString::fromStdString(c.Title), QString::fromStdString(c.LeftTitle),
                         QString::fromStdString(c.BottomTitle));
    }
}

void ChartPanel::AppendPoints(int chart, std::span<const double> x, std::span<const double> y) {
    if (chart >= 0 && chart < ChartCount) {
        charts_[static_cast<std::size_t>(chart)]->AppendPoints(x, y);
    }
}

void ChartPanel::RefreshCharts() {
    for (StripChart* chart : charts_) {
        chart->Refresh();
    }
}

void ChartPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Panel2Resize();
}

} // namespace tessary
