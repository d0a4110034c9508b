// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/ui/StripChart.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace tessary {

namespace {

constexpr int Pad = 2;
constexpr int TickLength = 3;
constexpr int LabelGap = 2; // between a value label and its tick

QStaticText PreparedText(const QString& text, const QFont& font) {
    QStaticText prepared(text);
    prepared.setTextFormat(Qt::PlainText);
    prepared.setPerformanceHint(QStaticText::AggressiveCaching);
    prepared.prepare(QTransform(), font);
    return prepared;
}

} // namespace

StripChart::StripChart(const QString& chartName, QWidget* parent) : QWidget(parent) {
    setObjectName(chartName);
    // Every pixel is painted, so Qt need not clear the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The panel decides the size: with many channels the charts get small.
    setMinimumSize(0, 0);
}

void StripChart::SetTitles(const QString& title, const QString& leftTitle,
                           const QString& bottomTitle) {
    title_ = PreparedText(title, font());
    leftTitle_ = PreparedText(leftTitle, font());
    bottomTitle_ = PreparedText(bottomTitle, font());
    InvalidateLayout();
}

void StripChart::Reset(const SampleScale& scale) {
    scale_ = scale;
    envelope_.Reset(envelope_.Columns());
    line_.clear();
    InvalidateLayout();
}

void StripChart::SetSource(const ChartSource* source, const ChartSource* overlay) {
    source_ = source;
    overlay_ = source != nullptr ? overlay : nullptr;
    if (overlay_ == nullptr) {
        overlayLine_.clear();
    }
    InvalidateLayout();
}

void StripChart::SetVisibleRange(double from, double to) {
    viewFrom_ = from;
    viewTo_ = to;
    arrangedSize_ = QSize();
}

void StripChart::SetCursors(std::optional<double> first, std::optional<double> second) {
    cursors_ = {first, second};
    update();
}

double StripChart::TimeAt(double widgetX) const {
    const double share =
        plot_.width() > 0 ? std::clamp((widgetX - plot_.left()) / plot_.width(), 0.0, 1.0) : 0.0;
    return xTicks_.Min + share * (xTicks_.Max - xTicks_.Min);
}

void StripChart::SetSamples(std::span<const std::int16_t> samples) {
    if (NeedsRebuild() || static_cast<std::int64_t>(samples.size()) < envelope_.Count()) {
        ClearSamples();
    }
    AppendSamples(samples.subspan(static_cast<std::size_t>(envelope_.Count())));
}

void StripChart::ClearSamples() {
    envelope_.Reset(ChartEnvelope::ColumnsFor(width()));
}

bool StripChart::NeedsRebuild() const {
    return envelope_.Columns() != ChartEnvelope::ColumnsFor(width());
}

int StripChart::WantedLeftMargin() {
    double low = 0.0;
    double high = 1.0;
    if (source_ != nullptr) {
        bool any = source_->ValueRange(viewFrom_, viewTo_, low, high);
        double overlayLow = 0.0;
        double overlayHigh = 0.0;
        if (overlay_ != nullptr &&
            overlay_->ValueRange(viewFrom_, viewTo_, overlayLow, overlayHigh)) {
            low = any ? std::min(low, overlayLow) : overlayLow;
            high = any ? std::max(high, overlayHigh) : overlayHigh;
            any = true;
        }
        if (!any) {
            low = 0.0;
            high = 1.0;
        }
    } else if (envelope_.HasValues()) {
        const double a = scale_.A * envelope_.MinValue() + scale_.B;
        const double b = scale_.A * envelope_.MaxValue() + scale_.B;
        low = std::min(a, b);
        high = std::max(a, b);
    }
    const double room = LineHeight() + 2.0;
    FitAxis(yMemo_, yTicks_, low, high, height() - TopMargin() - BottomMargin(),
            [room](const std::vector<std::string>&) { return room; });
    const int unit = leftTitle_.text().isEmpty() ? 0 : LineHeight() + Pad;
    // One pixel more than the estimate, in case the font kerns the digits apart.
    return Pad + unit + static_cast<int>(std::ceil(WidestLabel(yTicks_.Labels))) + 1 + LabelGap +
           TickLength;
}

void StripChart::Arrange(int leftMargin) {
    Lay(leftMargin);
    update();
}

void StripChart::Lay(int leftMargin) {
    leftMargin_ = leftMargin;
    const int top = TopMargin();
    plot_ = QRect(leftMargin, top, std::max(width() - leftMargin - RightMargin(), 0),
                  std::max(height() - top - BottomMargin(), 0));
    const double gap = 2.0 * fontMetrics().averageCharWidth();
    const AxisScale::LabelRoom room = [this, gap](const std::vector<std::string>& labels) {
        return gap + WidestLabel(labels);
    };
    if (source_ != nullptr) {
        xTicks_ = AxisScale::Within(viewFrom_, viewTo_, plot_.width(), room);
        KeepOnlyCurrentLabels();
        source_->Plot(plot_.width(), xTicks_.Min, xTicks_.Max, line_);
        if (overlay_ != nullptr) {
            overlay_->Plot(plot_.width(), xTicks_.Min, xTicks_.Max, overlayLine_);
        }
        arrangedSize_ = size();
        return;
    }
    const double scans = envelope_.Count() > 1 ? static_cast<double>(envelope_.Count() - 1) : 1.0;
    FitAxis(xMemo_, xTicks_, 0.0, scans * scale_.XStep, plot_.width(), room);
    KeepOnlyCurrentLabels();
    envelope_.Plot(plot_.width(), xTicks_.Min, xTicks_.Max, scale_, line_);
    arrangedSize_ = size();
}

QPointF StripChart::ToPixel(const ChartPoint& p) const {
    // The pixel column is found as the envelope finds it, so that the lowest and the highest
    // value of a column are drawn as one vertical stroke: drawn a fraction apart, the stroke
    // would be split between two columns and leave gaps in a dense band.
    const double perX = plot_.width() / (xTicks_.Max - xTicks_.Min);
    const double y = (p.Y - yTicks_.Min) / (yTicks_.Max - yTicks_.Min);
    if (source_ != nullptr) {
        // A source gives a dense band one pixel column apart already, and a sparse line its
        // samples where they lie, beyond the plot's edges too (the painter clips them).
        return {plot_.left() + (p.X - xTicks_.Min) * perX,
                plot_.bottom() - y * (plot_.height() - 1)};
    }
    const double column =
        std::clamp(std::floor((p.X - xTicks_.Min) * perX), 0.0, std::max(plot_.width() - 1.0, 0.0));
    return {plot_.left() + column, plot_.bottom() - y * (plot_.height() - 1)};
}

void StripChart::paintEvent(QPaintEvent*) {
    const auto start = std::chrono::steady_clock::now();
    if (size() != arrangedSize_) {
        Lay(leftMargin_); // a resize that the owner has not arranged yet
    }
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const int line = LineHeight();
    if (!title_.text().isEmpty()) {
        painter.drawStaticText(QPointF(plot_.center().x() - title_.size().width() / 2.0, Pad),
                               title_);
    }
    if (plot_.width() > 1 && plot_.height() > 1) {
        painter.setPen(QColor(0xdd, 0xdd, 0xdd));
        for (const double v : yTicks_.Values) {
            const int y = static_cast<int>(std::lround(ToPixel({xTicks_.Min, v}).y()));
            painter.drawLine(plot_.left(), y, plot_.right(), y);
        }
        for (const double v : xTicks_.Values) {
            const int x = static_cast<int>(std::lround(ToPixel({v, yTicks_.Min}).x()));
            painter.drawLine(x, plot_.top(), x, plot_.bottom());
        }
        painter.setPen(Qt::gray);
        painter.drawRect(plot_.adjusted(0, 0, -1, -1));

        // A chart too small for its ticks (more than four channels in a low window) leaves
        // out the labels that would meet the one drawn before; the ticks stay.
        painter.setPen(Qt::black);
        QRectF previous;
        for (std::size_t i = 0; i < yTicks_.Values.size(); ++i) {
            const int y =
                static_cast<int>(std::lround(ToPixel({xTicks_.Min, yTicks_.Values[i]}).y()));
            painter.drawLine(plot_.left() - TickLength, y, plot_.left() - 1, y);
            const QStaticText& text = Label(yTicks_.Labels[i]);
            const QRectF at(QPointF(plot_.left() - TickLength - LabelGap - text.size().width(),
                                    y - text.size().height() / 2.0),
                            text.size());
            if (i == 0 || !at.intersects(previous)) {
                painter.drawStaticText(at.topLeft(), text);
                previous = at;
            }
        }
        const int labelTop = plot_.bottom() + 1 + TickLength;
        for (std::size_t i = 0; i < xTicks_.Values.size(); ++i) {
            const int x =
                static_cast<int>(std::lround(ToPixel({xTicks_.Values[i], yTicks_.Min}).x()));
            painter.drawLine(x, plot_.bottom() + 1, x, plot_.bottom() + TickLength);
            const QStaticText& text = Label(xTicks_.Labels[i]);
            const double w = text.size().width();
            const QRectF at(QPointF(std::clamp(x - w / 2.0, 0.0, width() - w), labelTop),
                            text.size());
            if (i == 0 || !at.intersects(previous)) {
                painter.drawStaticText(at.topLeft(), text);
                previous = at;
            }
        }
        if (!bottomTitle_.text().isEmpty()) {
            painter.drawStaticText(
                QPointF(plot_.center().x() - bottomTitle_.size().width() / 2.0, labelTop + line),
                bottomTitle_);
        }
        if (!leftTitle_.text().isEmpty()) {
            painter.save();
            painter.translate(Pad, plot_.center().y() + leftTitle_.size().width() / 2.0);
            painter.rotate(-90.0);
            painter.drawStaticText(QPointF(0.0, 0.0), leftTitle_);
            painter.restore();
        }

        painter.setClipRect(plot_);
        if (overlay_ != nullptr) {
            DrawLine(painter, overlayLine_, QColor(0x1f, 0x5f, 0xd0));
        }
        DrawLine(painter, line_, Qt::red);
        const std::array<QColor, 2> cursorColours = {QColor(0x00, 0x80, 0x00),
                                                     QColor(0x80, 0x00, 0x80)};
        for (std::size_t i = 0; i < cursors_.size(); ++i) {
            if (cursors_[i] && *cursors_[i] >= xTicks_.Min && *cursors_[i] <= xTicks_.Max) {
                const double x = ToPixel({*cursors_[i], yTicks_.Min}).x();
                painter.setPen(QPen(cursorColours[i], 0, Qt::DashLine));
                painter.drawLine(QPointF(x, plot_.top()), QPointF(x, plot_.bottom()));
            }
        }
    }
    ++paints_;
    paintMs_ +=
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void StripChart::DrawLine(QPainter& painter, const std::vector<ChartPoint>& line,
                          const QColor& colour) {
    painter.setPen(QPen(colour, 0));
    // A point whose value is not a number breaks the line: each run between breaks is drawn
    // on its own.
    const auto flush = [&]() {
        if (pixels_.size() == 1) {
            painter.drawPoint(pixels_.front());
        } else if (pixels_.size() > 1) {
            painter.drawPolyline(pixels_);
        }
        pixels_.clear();
    };
    pixels_.clear();
    for (const ChartPoint& p : line) {
        if (std::isnan(p.Y)) {
            flush();
            continue;
        }
        const QPointF at = ToPixel(p);
        pixels_.append(QPointF(at.x(), std::round(at.y())));
    }
    flush();
}

void StripChart::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        labels_.clear();
        advances_.clear();
        SetTitles(title_.text(), leftTitle_.text(), bottomTitle_.text());
    }
}

const QStaticText& StripChart::Label(const std::string& text) {
    const auto found = labels_.find(text);
    if (found != labels_.end()) {
        return found->second;
    }
    return labels_.emplace(text, PreparedText(QString::fromStdString(text), font())).first->second;
}

double StripChart::WidestLabel(const std::vector<std::string>& labels) {
    if (advances_.empty()) {
        const QFontMetricsF metrics(font());
        advances_.resize(128);
        for (char c = ' '; c < 127; ++c) {
            advances_[static_cast<std::size_t>(c)] = metrics.horizontalAdvance(QChar(c));
        }
    }
    double widest = 0.0;
    for (const std::string& label : labels) {
        double width = 0.0;
        for (const char c : label) {
            width += advances_[static_cast<unsigned char>(c) & 127];
        }
        widest = std::max(widest, width);
    }
    return widest;
}

void StripChart::KeepOnlyCurrentLabels() {
    if (labels_.size() <= xTicks_.Labels.size() + yTicks_.Labels.size()) {
        return;
    }
    std::unordered_map<std::string, QStaticText> kept;
    for (const auto* labels : {&xTicks_.Labels, &yTicks_.Labels}) {
        for (const std::string& label : *labels) {
            const auto found = labels_.find(label);
            if (found != labels_.end()) {
                kept.insert(*found);
            }
        }
    }
    labels_.swap(kept);
}

void StripChart::FitAxis(AxisMemo& memo, AxisTicks& ticks, double low, double high, double length,
                         const AxisScale::LabelRoom& room) {
    // Data only grows within a burst: while it stays inside the ticks chosen for a smaller
    // range on the same length, a larger range cannot want a finer step.
    if (memo.Valid && memo.Length == length && low <= memo.Low && high >= memo.High &&
        low >= ticks.Min && high <= ticks.Max) {
        return;
    }
    // A single value is widened to a margin that says nothing about the next data.
    memo = {high > low, low, high, length};
    ticks = AxisScale::Fit(low, high, length, room);
}

int StripChart::LineHeight() const {
    return fontMetrics().height();
}

int StripChart::TopMargin() const {
    return title_.text().isEmpty() ? Pad + (LineHeight() + 1) / 2 : Pad + LineHeight() + Pad;
}

int StripChart::BottomMargin() const {
    return TickLength + LineHeight() + (bottomTitle_.text().isEmpty() ? 0 : LineHeight()) + Pad;
}

int StripChart::RightMargin() const {
    return 2 * fontMetrics().averageCharWidth() + Pad;
}

void StripChart::InvalidateLayout() {
    xMemo_.Valid = false;
    yMemo_.Valid = false;
    arrangedSize_ = QSize();
    update();
}

} // namespace tessary
