// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "acquisition/AxisScale.h"
#include "acquisition/ChartEnvelope.h"
#include "acquisition/ChartSource.h"

#include <QPainter>
#include <QPolygonF>
#include <QStaticText>
#include <QWidget>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace tessary {

// One chart of stored samples against time: a red line on a white plot with value and time
// axes at round ticks, the channel's name above, its unit at the left and an optional title
// under the time axis. The axes scale themselves to the samples, rounded out to the ticks.
//
// The chart keeps no copy of the samples: SetSamples brings a min/max envelope of a few
// columns per pixel up to date, and the line drawn holds at most two points per pixel column.
// Its owner hands it the samples again after a resize (ChartPanel does), so that the envelope
// can be rebuilt for the new width. Laying out runs in two steps, WantedLeftMargin and
// Arrange, so that stacked charts can share one left edge; Refresh does both for a chart on
// its own. Texts are laid out once per distinct label and reused while the label stays.
//
// A viewer of recorded bursts keeps the samples itself: it hands the chart a ChartSource (and
// an overlay drawn in a second colour), the time range to show, and up to two cursors. The
// time axis then shows exactly that range and the value axis scales itself to the values in
// it; a line from a source breaks where samples are missing.

class StripChart : public QWidget {
    Q_OBJECT

public:
    explicit StripChart(const QString& chartName, QWidget* parent = nullptr);

    // The channel's name above the plot, its unit at the left, the title under the time axis.
    void SetTitles(const QString& title, const QString& leftTitle, const QString& bottomTitle);
    QString Title() const { return title_.text(); }
    QString LeftTitle() const { return leftTitle_.text(); }
    QString BottomTitle() const { return bottomTitle_.text(); }

    // Forgets the samples; later samples are drawn with `scale`.
    void Reset(const SampleScale& scale);
    const SampleScale& Scale() const { return scale_; }

    // The samples so far, index 0 first (stored values; ErrorValue marks a missing one). The
    // envelope takes those it has not seen, or is rebuilt from all of them when they are fewer
    // than before or the chart's width wants another column count. Nothing of the span is
    // kept after the call.
    void SetSamples(std::span<const std::int16_t> samples);

    // The same in steps, for an owner that reads its samples block by block: ClearSamples
    // starts again with the column count for the chart's width, AppendSamples takes the next
    // samples, and NeedsRebuild says that the width wants the samples fed again from the start.
    void ClearSamples();
    void AppendSamples(std::span<const std::int16_t> next) { envelope_.Append(next); }
    bool NeedsRebuild() const;

    // Draws `source` (and `overlay` in blue, when given) instead of the chart's envelope; both
    // must outlive their use here. Null returns to the envelope.
    void SetSource(const ChartSource* source, const ChartSource* overlay = nullptr);
    // The time range a source is drawn over; the owner arranges the chart afterwards.
    void SetVisibleRange(double from, double to);
    // Vertical cursor lines at these times (nothing: no line).
    void SetCursors(std::optional<double> first, std::optional<double> second);
    // The time at a widget x within the plot (ends clamped).
    double TimeAt(double widgetX) const;
    const std::vector<ChartPoint>& OverlayLine() const { return overlayLine_; }

    // The left margin that the value labels and the unit need at the current height.
    int WantedLeftMargin();
    // Lays the plot out with the given left margin, picks the time ticks, builds the line and
    // asks for a repaint.
    void Arrange(int leftMargin);
    void Refresh() { Arrange(WantedLeftMargin()); }

    const ChartEnvelope& Envelope() const { return envelope_; }
    const AxisTicks& ValueTicks() const { return yTicks_; }
    const AxisTicks& TimeTicks() const { return xTicks_; }
    // The line in the chart's units, ascending in time.
    const std::vector<ChartPoint>& Line() const { return line_; }
    QRect PlotArea() const { return plot_; }
    // Where a point in the chart's units lies on the widget: x the pixel column it is drawn
    // in, y exact.
    QPointF ToPixel(const ChartPoint& p) const;

    // Paint events so far and the time spent in them.
    std::int64_t Paints() const { return paints_; }
    double PaintMs() const { return paintMs_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Ticks already chosen for the same axis length stay while the data stays within them.
    struct AxisMemo {
        bool Valid = false;
        double Low = 0.0;
        double High = 0.0;
        double Length = 0.0;
    };

    // Arrange without asking for a repaint.
    void Lay(int leftMargin);
    const QStaticText& Label(const std::string& text);
    // The width of the widest label, from the advances of its characters: the search for a
    // step tries many labels, and laying each out as text would cost more than the frame.
    double WidestLabel(const std::vector<std::string>& labels);
    void KeepOnlyCurrentLabels();
    void FitAxis(AxisMemo& memo, AxisTicks& ticks, double low, double high, double length,
                 const AxisScale::LabelRoom& room);
    int LineHeight() const;
    int TopMargin() const;
    int BottomMargin() const;
    int RightMargin() const;
    void InvalidateLayout();
    void DrawLine(QPainter& painter, const std::vector<ChartPoint>& line, const QColor& colour);

    const ChartSource* source_ = nullptr;
    const ChartSource* overlay_ = nullptr;
    double viewFrom_ = 0.0;
    double viewTo_ = 1.0;
    std::array<std::optional<double>, 2> cursors_{};
    std::vector<ChartPoint> overlayLine_;
    SampleScale scale_;
    ChartEnvelope envelope_;
    std::vector<ChartPoint> line_;
    QPolygonF pixels_;
    AxisTicks xTicks_;
    AxisTicks yTicks_;
    AxisMemo xMemo_;
    AxisMemo yMemo_;
    QRect plot_;
    QSize arrangedSize_;
    int leftMargin_ = 0;
    QStaticText title_;
    QStaticText leftTitle_;
    QStaticText bottomTitle_;
    std::unordered_map<std::string, QStaticText> labels_;
    std::vector<double> advances_; // of the ASCII characters in the chart's font
    std::int64_t paints_ = 0;
    double paintMs_ = 0.0;
};

} // namespace tessary
