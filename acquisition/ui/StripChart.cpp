#include "acquisition/ui/StripChart.h"

#include <QChart>
#include <QGraphicsLayout>
#include <QLegend>
#include <QLineSeries>
#include <QList>
#include <QPen>
#include <QPointF>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace tessary {

namespace {

// Range for an axis over [low, high]; a single value gets a margin so that it is drawn
// inside the plot.
void SetAxisRange(QValueAxis* axis, double low, double high) {
    if (high > low) {
        axis->setRange(low, high);
        return;
    }
    const double margin = low == 0.0 ? 1.0 : std::fabs(low) * 0.1;
    axis->setRange(low - margin, high + margin);
}

} // namespace

StripChart::StripChart(const QString& chartName, const QString& seriesName, QWidget* parent)
    : QChartView(parent), chart_(new QChart), series_(new QLineSeries(chart_)),
      axisX_(new QValueAxis(chart_)), axisY_(new QValueAxis(chart_)) {
    setObjectName(chartName);
    chart_->setObjectName(chartName);
    series_->setObjectName(seriesName);
    series_->setName(seriesName);
    series_->setPen(QPen(Qt::red));
    series_->setPointsVisible(false);
    chart_->addSeries(series_);
    // Up to five significant digits, without the fixed one decimal Qt Charts shows by default.
    axisX_->setLabelFormat(QStringLiteral("%.5g"));
    axisY_->setLabelFormat(QStringLiteral("%.5g"));
    chart_->addAxis(axisX_, Qt::AlignBottom);
    chart_->addAxis(axisY_, Qt::AlignLeft);
    series_->attachAxis(axisX_);
    series_->attachAxis(axisY_);
    chart_->legend()->hide();
    chart_->setBackgroundBrush(Qt::white);
    chart_->setBackgroundRoundness(0);
    chart_->setAnimationOptions(QChart::NoAnimation);
    // The panel decides the size: with many channels the charts get small, and the view
    // would otherwise grow to the chart's minimum and overlap its neighbour.
    chart_->setMinimumSize(0.0, 0.0);
    chart_->setMargins(QMargins(4, 2, 8, 2));
    if (chart_->layout() != nullptr) {
        chart_->layout()->setContentsMargins(0, 0, 0, 0);
    }
    setBackgroundBrush(Qt::white);
    setRenderHint(QPainter::Antialiasing, false);
    setChart(chart_);
    ResetAxes();
}

void StripChart::SetTitles(const QString& title, const QString& leftTitle,
                           const QString& bottomTitle) {
    chart_->setTitle(title);
    axisY_->setTitleText(leftTitle);
    axisX_->setTitleText(bottomTitle);
}

void StripChart::ClearPoints() {
    envelope_.Clear();
    series_->clear();
    ResetAxes();
    dirty_ = false;
}

void StripChart::AppendPoints(std::span<const double> x, std::span<const double> y) {
    envelope_.Append(x, y);
    MarkDirty();
}

void StripChart::Refresh() {
    if (!dirty_) {
        return;
    }
    dirty_ = false;
    const int columns = ColumnsForWidth(width());
    if (columns != envelope_.Columns()) {
        envelope_.SetColumns(columns);
    }
    // Each axis change redraws the series' line; without points that costs nothing, so the
    // line is built once, for the new ranges, by the replace below.
    series_->clear();
    if (envelope_.Empty()) {
        ResetAxes();
    } else {
        SetAxisRange(axisX_, envelope_.MinX(), envelope_.MaxX());
        SetAxisRange(axisY_, envelope_.MinY(), envelope_.MaxY());
    }
    // The new ranges may change the width of the axis labels and so the plot's width.
    if (chart_->layout() != nullptr) {
        chart_->layout()->activate();
    }
    envelope_.PlotPoints(PlotPixels(), plot_);
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(plot_.size()));
    for (const ChartEnvelope::Point& p : plot_) {
        points.append(QPointF(p.X, p.Y));
    }
    series_->replace(points);
}

int StripChart::ColumnsForWidth(int width) {
    const int wanted = 2 * std::clamp(width, 1, 1 << 16);
    int columns = 1;
    while (columns < wanted) {
        columns *= 2;
    }
    return columns;
}

void StripChart::resizeEvent(QResizeEvent* event) {
    QChartView::resizeEvent(event);
    if (!envelope_.Empty()) {
        MarkDirty();
    }
}

int StripChart::PlotPixels() const {
    const double plotWidth = chart_->plotArea().width();
    if (plotWidth >= 1.0) {
        return static_cast<int>(plotWidth);
    }
    return std::max(width(), 1);
}

void StripChart::MarkDirty() {
    if (!dirty_) {
        dirty_ = true;
        emit Changed();
    }
}

void StripChart::ResetAxes() {
    axisX_->setRange(0.0, 1.0);
    axisY_->setRange(0.0, 1.0);
}

} // namespace tessary
