// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "viewer/ShownBurst.h"

#include <QPoint>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

class QRubberBand;

namespace tessary {

class StripChart;

// The charts of a viewer window: one per channel of the file, stacked and sharing one left
// edge, each at least MinimumChartHeight high (the window puts this widget in a scroll area,
// so many channels scroll). All show the same time range of the shown burst, with the
// overlay burst in a second colour and two cursors.
//
// Mouse: the wheel zooms about the time under the pointer, a drag across a chart zooms to the
// dragged range, a click puts cursor 1 (Shift+click or the right button: cursor 2). The range
// never leaves the burst, never spans more than the whole burst and never fewer than
// MinimumSamplesShown sampling intervals.
class ViewerCharts : public QWidget {
    Q_OBJECT

public:
    static constexpr int MinimumChartHeight = 100;
    static constexpr double MinimumSamplesShown = 4.0;

    explicit ViewerCharts(QWidget* parent = nullptr);
    ~ViewerCharts() override;

    // Titles of the charts: item, unit, and the time title under the lowest.
    struct ChannelTitle {
        QString Item;
        QString Unit;
    };
    void SetTitles(const std::vector<ChannelTitle>& titles, const QString& timeTitle);

    // The burst to show; the range is kept when it still fits the burst, else the whole
    // burst is shown. Cursors stay.
    void SetBurst(std::shared_ptr<const ShownBurst> burst);
    void SetOverlay(std::shared_ptr<const ShownBurst> overlay);
    const ShownBurst* Burst() const { return burst_.get(); }
    const ShownBurst* Overlay() const { return overlay_.get(); }

    double From() const { return from_; }
    double To() const { return to_; }
    void ShowRange(double from, double to);
    void ShowWholeBurst();
    // factor < 1 zooms in about `centre` (the middle when nothing), > 1 out.
    void Zoom(double factor, std::optional<double> centre = std::nullopt);
    // Moves the range by `share` of its span (negative: earlier).
    void Pan(double share);

    std::optional<double> Cursor(int i) const { return cursors_.at(static_cast<std::size_t>(i)); }
    void SetCursor(int i, std::optional<double> time);

    int Charts() const { return static_cast<int>(charts_.size()); }
    StripChart& Chart(int i) { return *charts_.at(static_cast<std::size_t>(i)); }

    // Lays the charts out and draws them from the indexes now.
    void Redraw();

signals:
    // The range or a cursor changed.
    void ViewChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetSources();
    double Duration() const;
    double MinimumSpan() const;

    std::vector<StripChart*> charts_;
    std::vector<ChannelTitle> titles_;
    QString timeTitle_;
    std::shared_ptr<const ShownBurst> burst_;
    std::shared_ptr<const ShownBurst> overlay_;
    double from_ = 0.0;
    double to_ = 1.0;
    std::array<std::optional<double>, 2> cursors_{};
    QRubberBand* band_ = nullptr;
    StripChart* dragChart_ = nullptr;
    QPoint dragStart_;
    bool dragging_ = false;
};

} // namespace tessary
