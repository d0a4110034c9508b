// SPDX-License-Identifier: GPL-3.0-or-later
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
// The charts draw from the record's own Samples: the panel is told how many scans of the
// running burst are converted, and at most 25 times a second each visible chart brings its
// envelope up to date from its channel's samples. The visible charts share one left edge, so
// one moment of the burst lies at the same x in every chart.
class ChartPanel : public QWidget {
    Q_OBJECT

public:
    static constexpr int ChartCount = 4;
    static constexpr int RefreshIntervalMs = 40;

    // Where the time of the refreshes went, summed over the panel's life.
    struct FrameTimes {
        std::int64_t Refreshes = 0;
        std::int64_t Paints = 0; // paint events of the charts
        double EnvelopeMs = 0.0; // bringing the envelopes up to date
        double LayoutMs = 0.0;   // ticks, labels and the lines of at most 2 points a pixel
        double PaintMs = 0.0;    // the charts' paint events
    };

    // `record` is the measurement record; it must outlive the panel. Panel2Resize reads and
    // may raise its ChNum, SetupCharts reads ChNum and Channels, the refreshes read Samples.
    explicit ChartPanel(MeasurementParameters& record, QWidget* parent = nullptr);

    // Lays the charts out for the record's ChNum (0 is raised to 1 in the record): each of
    // the first ChNum charts, at most four, gets the full width and height div ChNum, stacked
    // from the top. Charts beyond ChNum keep their bounds.
    void Panel2Resize();

    // Shows the first ChNum charts (Chart1 always), clears them, puts
    // "Time (" + displayUnitName + ")" under chart ChNum when ChNum is 1 to 4, and titles
    // chart k with Channels[k-1].Item over Channels[k-1].Unit on its left axis. Scan i is
    // drawn at i × displayInterval, a stored value s of channel k-1 at A·s + B.
    void SetupCharts(const std::string& displayUnitName, double displayInterval);

    // Scans 0 to scans - 1 of the burst are converted in the record's Samples; they are
    // drawn at the next refresh.
    void ShowConvertedScans(std::int32_t scans);

    // Brings every visible chart up to date with the converted scans and lays them out on
    // one left edge. Runs from the refresh timer and after a resize; public so that a caller
    // may force it.
    void RefreshCharts();

    StripChart& Chart(int index) { return *charts_.at(static_cast<std::size_t>(index)); }
    FrameTimes Times() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // The converted samples of chart k's channel, within what the record holds now.
    std::span<const std::int16_t> ChannelSamples(int chart) const;

    MeasurementParameters& record_;
    ChartLayout layout_;
    std::array<StripChart*, ChartCount> charts_{};
    std::array<bool, ChartCount> shown_{};
    std::int32_t scans_ = 0;
    bool dirty_ = false;
    QTimer refreshTimer_;
    FrameTimes times_;
};

} // namespace tessary
