// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/ui/ViewerCharts.h"

#include "acquisition/ui/StripChart.h"

#include <QMouseEvent>
#include <QRubberBand>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace tessary {

namespace {

// A press and release closer than this is a click, not a drag.
constexpr int DragPixels = 4;
// One notch of the wheel zooms by this factor.
constexpr double WheelZoom = 0.8;

} // namespace

ViewerCharts::ViewerCharts(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ViewerCharts"));
    band_ = new QRubberBand(QRubberBand::Rectangle, this);
}

ViewerCharts::~ViewerCharts() {
    // The charts point into the bursts: they go first.
    for (StripChart* chart : charts_) {
        chart->SetSource(nullptr);
    }
}

void ViewerCharts::SetTitles(const std::vector<ChannelTitle>& titles, const QString& timeTitle) {
    titles_ = titles;
    timeTitle_ = timeTitle;
    while (charts_.size() > titles.size()) {
        delete charts_.back();
        charts_.pop_back();
    }
    while (charts_.size() < titles.size()) {
        auto* chart = new StripChart(QStringLiteral("ViewerChart%1").arg(charts_.size() + 1), this);
        chart->installEventFilter(this);
        chart->setMouseTracking(false);
        chart->show();
        charts_.push_back(chart);
    }
    for (std::size_t c = 0; c < charts_.size(); ++c) {
        charts_[c]->SetTitles(titles[c].Item, titles[c].Unit,
                              c + 1 == charts_.size() ? timeTitle : QString());
    }
    setMinimumHeight(static_cast<int>(charts_.size()) * MinimumChartHeight);
    SetSources();
    resizeEvent(nullptr);
}

void ViewerCharts::SetSources() {
    for (std::size_t c = 0; c < charts_.size(); ++c) {
        const auto channel = static_cast<int>(c);
        const ChartSource* source =
            burst_ && channel < burst_->Channels() ? &burst_->Channel(channel) : nullptr;
        const ChartSource* overlay =
            overlay_ && channel < overlay_->Channels() ? &overlay_->Channel(channel) : nullptr;
        charts_[c]->SetSource(source, overlay);
    }
}

void ViewerCharts::SetBurst(std::shared_ptr<const ShownBurst> burst) {
    const bool keepRange = burst_ && burst && burst->Scans() == burst_->Scans();
    burst_ = std::move(burst);
    SetSources();
    if (keepRange) {
        ShowRange(from_, to_);
    } else {
        ShowWholeBurst();
    }
}

void ViewerCharts::SetOverlay(std::shared_ptr<const ShownBurst> overlay) {
    overlay_ = std::move(overlay);
    SetSources();
    Redraw();
}

double ViewerCharts::Duration() const {
    return burst_ ? burst_->Duration() : 1.0;
}

double ViewerCharts::MinimumSpan() const {
    const double step = burst_ && burst_->Channels() > 0 ? burst_->Channel(0).Step() : 1.0;
    return std::min(Duration(), MinimumSamplesShown * step);
}

void ViewerCharts::ShowRange(double from, double to) {
    if (!std::isfinite(from) || !std::isfinite(to)) {
        return;
    }
    if (to < from) {
        std::swap(from, to);
    }
    const double duration = Duration();
    const double span = std::clamp(to - from, MinimumSpan(), duration);
    const double centre = from + (to - from) / 2.0;
    from_ = std::clamp(centre - span / 2.0, 0.0, duration - span);
    to_ = from_ + span;
    Redraw();
    emit ViewChanged();
}

void ViewerCharts::ShowWholeBurst() {
    ShowRange(0.0, Duration());
}

void ViewerCharts::Zoom(double factor, std::optional<double> centre) {
    const double at = centre.value_or(from_ + (to_ - from_) / 2.0);
    const double span = std::clamp((to_ - from_) * factor, MinimumSpan(), Duration());
    // The time under the pointer stays where it is.
    const double share = to_ > from_ ? (at - from_) / (to_ - from_) : 0.5;
    ShowRange(at - share * span, at - share * span + span);
}

void ViewerCharts::Pan(double share) {
    const double shift = (to_ - from_) * share;
    ShowRange(from_ + shift, to_ + shift);
}

void ViewerCharts::SetCursor(int i, std::optional<double> time) {
    // A cursor stands on a sample.
    if (time && burst_ && burst_->Channels() > 0) {
        const double step = burst_->Channel(0).Step();
        time = std::clamp(std::round(*time / step) * step, 0.0, Duration());
    }
    cursors_.at(static_cast<std::size_t>(i)) = time;
    for (StripChart* chart : charts_) {
        chart->SetCursors(cursors_[0], cursors_[1]);
    }
    emit ViewChanged();
}

void ViewerCharts::Redraw() {
    int margin = 0;
    for (StripChart* chart : charts_) {
        chart->SetVisibleRange(from_, to_);
        chart->SetCursors(cursors_[0], cursors_[1]);
        margin = std::max(margin, chart->WantedLeftMargin());
    }
    for (StripChart* chart : charts_) {
        chart->Arrange(margin);
    }
}

void ViewerCharts::resizeEvent(QResizeEvent*) {
    if (charts_.empty()) {
        return;
    }
    const int count = static_cast<int>(charts_.size());
    const int h = std::max(height() / count, 1);
    for (int i = 0; i < count; ++i) {
        charts_[static_cast<std::size_t>(i)]->setGeometry(0, i * h, width(), h);
    }
    Redraw();
}

bool ViewerCharts::eventFilter(QObject* watched, QEvent* event) {
    auto* chart = qobject_cast<StripChart*>(watched);
    if (chart == nullptr || !burst_) {
        return QWidget::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::Wheel: {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        const double notches = wheel->angleDelta().y() / 120.0;
        if (notches != 0.0) {
            Zoom(std::pow(WheelZoom, notches), chart->TimeAt(wheel->position().x()));
        }
        return true;
    }
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        dragChart_ = chart;
        dragStart_ = mouse->position().toPoint();
        dragging_ = false;
        return true;
    }
    case QEvent::MouseMove: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (dragChart_ != chart || !(mouse->buttons() & Qt::LeftButton)) {
            return true;
        }
        const QPoint at = mouse->position().toPoint();
        dragging_ = dragging_ || std::abs(at.x() - dragStart_.x()) >= DragPixels;
        if (dragging_) {
            const QRect plot = chart->PlotArea().translated(chart->pos());
            const int left = std::min(at.x(), dragStart_.x()) + chart->x();
            const int right = std::max(at.x(), dragStart_.x()) + chart->x();
            band_->setGeometry(QRect(QPoint(left, plot.top()), QPoint(right, plot.bottom())));
            band_->show();
        }
        return true;
    }
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        band_->hide();
        if (dragChart_ != chart) {
            return true;
        }
        dragChart_ = nullptr;
        const double at = chart->TimeAt(mouse->position().x());
        if (dragging_ && mouse->button() == Qt::LeftButton) {
            ShowRange(chart->TimeAt(dragStart_.x()), at);
        } else {
            const bool second =
                mouse->button() == Qt::RightButton || (mouse->modifiers() & Qt::ShiftModifier);
            SetCursor(second ? 1 : 0, at);
        }
        dragging_ = false;
        return true;
    }
    default:
        return QWidget::eventFilter(watched, event);
    }
}

} // namespace tessary
