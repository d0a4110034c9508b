#pragma once

#include "acquisition/ChartLayout.h"
#include "data/MeasurementParameters.h"

#include <QTimer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace tessary {

class StripChart;

// The chart area of Panel2: Chart1 to Chart4 stacked from the top, each showing one channel
// of the burst being recorded. The window puts this widget in Panel2 above StatusBar1, so its
// own height is the height the charts share; a resize of it lays the charts out again.
//
// Points are kept in the charts' own buffers and handed to Qt Charts as a min/max envelope of
// at most two points per pixel column; dirty charts are refreshed at most 25 times a second.
class ChartPanel : public QWidget {
    Q_OBJECT

public:
    static constexpr int ChartCount = 4;
    static constexpr int RefreshIntervalMs = 40;

    // `record` is the measurement record; it must outlive the panel. Panel2Resize reads and
    // may raise its ChNum, SetupCharts reads ChNum and Channels.
    explicit ChartPanel(MeasurementParameters& record, QWidget* parent = nullptr);

    // Lays the charts out for the record's ChNum (0 is raised to 1 in the record): each of
    // the first ChNum charts, at most four, gets the full width and height div ChNum, stacked
    // from the top. Charts beyond ChNum keep their bounds.
    void Panel2Resize();

    // Shows the first ChNum charts (Chart1 always), clears every series, puts
    // "Time (" + displayUnitName + ")" under chart ChNum when ChNum is 1 to 4, and titles
    // chart k with Channels[k-1].Item over Channels[k-1].Unit on its left axis.
    void SetupCharts(const std::string& displayUnitName);

    // Appends points (x ascending) to the series of chart `chart` (0 to 3); other indices
    // are ignored, so channels 4 and above are not drawn. The chart is redrawn at the next
    // refresh.
    void AppendPoints(int chart, std::span<const double> x, std::span<const double> y);

    // Hands each dirty chart its envelope and scales its axes. Runs from the refresh timer;
    // public so that a caller may force it.
    void RefreshCharts();

    StripChart& Chart(int index) { return *charts_.at(static_cast<std::size_t>(index)); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    MeasurementParameters& record_;
    ChartLayout layout_;
    std::array<StripChart*, ChartCount> charts_{};
    QTimer refreshTimer_;
};

} // namespace tessary
