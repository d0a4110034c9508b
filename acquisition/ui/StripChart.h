#pragma once

#include "acquisition/ChartEnvelope.h"

#include <QChartView>

#include <span>
#include <vector>

class QChart;
class QLineSeries;
class QValueAxis;

namespace tessary {

// One chart of the waveform display: a line series (red, no point marks, no legend, white
// background) on two value axes. Its points live in a ChartEnvelope; Refresh hands the series
// at most two points per pixel column of the plot and scales both axes to the points.
class StripChart : public QChartView {
    Q_OBJECT

public:
    StripChart(const QString& chartName, const QString& seriesName, QWidget* parent = nullptr);

    const ChartEnvelope& Envelope() const { return envelope_; }

    void SetTitles(const QString& title, const QString& leftTitle, const QString& bottomTitle);

    void ClearPoints();
    void AppendPoints(std::span<const double> x, std::span<const double> y);

    bool Dirty() const { return dirty_; }
    // Updates the series and the axes when points changed since the last refresh.
    void Refresh();

    // Columns of the envelope for a view `width` pixels wide: the smallest power of two of
    // at least twice the width, so that the points cover at least `width` columns and small
    // resizes need no rebuild.
    static int ColumnsForWidth(int width);

signals:
    // Points changed after a refresh: the chart wants the next one.
    void Changed();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    int PlotPixels() const;
    void MarkDirty();
    void ResetAxes();

    QChart* chart_;
    QLineSeries* series_;
    QValueAxis* axisX_;
    QValueAxis* axisY_;
    ChartEnvelope envelope_;
    std::vector<ChartEnvelope::Point> plot_;
    bool dirty_ = false;
};

} // namespace tessary
