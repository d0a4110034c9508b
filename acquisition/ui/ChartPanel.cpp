// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/ui/ChartPanel.h"

#include "acquisition/ChartSetup.h"
#include "acquisition/ui/StripChart.h"

#include <algorithm>
#include <chrono>

namespace tessary {

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

} // namespace

ChartPanel::ChartPanel(MeasurementParameters& record, QWidget* parent)
    : QWidget(parent), record_(record) {
    for (int k = 0; k < ChartCount; ++k) {
        charts_[static_cast<std::size_t>(k)] =
            new StripChart(QStringLiteral("Chart%1").arg(k + 1), this);
    }
    shown_[0] = true;
    refreshTimer_.setInterval(RefreshIntervalMs);
    connect(&refreshTimer_, &QTimer::timeout, this, [this] {
        if (dirty_) {
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
    RefreshCharts();
}

void ChartPanel::SetupCharts(const std::string& displayUnitName, double displayInterval) {
    const auto captions = ChartSetup::Captions(record_, displayUnitName);
    for (int k = 0; k < ChartCount; ++k) {
        const auto index = static_cast<std::size_t>(k);
        const ChartCaptions& c = captions[index];
        const ChannelSpec& channel = record_.Channel(k);
        StripChart* chart = charts_[index];
        shown_[index] = c.Visible;
        chart->setVisible(c.Visible);
        chart->Reset(
            {displayInterval, static_cast<double>(channel.A), static_cast<double>(channel.B)});
        chart->SetTitles(QString::fromStdString(c.Title), QString::fromStdString(c.LeftTitle),
                         QString::fromStdString(c.BottomTitle));
    }
    scans_ = 0;
    RefreshCharts();
}

void ChartPanel::ShowConvertedScans(std::int32_t scans) {
    scans_ = scans;
    dirty_ = true;
    if (!refreshTimer_.isActive()) {
        refreshTimer_.start();
    }
}

void ChartPanel::RefreshCharts() {
    const Clock::time_point start = Clock::now();
    for (int k = 0; k < ChartCount; ++k) {
        if (shown_[static_cast<std::size_t>(k)]) {
            charts_[static_cast<std::size_t>(k)]->SetSamples(ChannelSamples(k));
        }
    }
    const Clock::time_point updated = Clock::now();
    int left = 0;
    for (int k = 0; k < ChartCount; ++k) {
        if (shown_[static_cast<std::size_t>(k)]) {
            left = std::max(left, charts_[static_cast<std::size_t>(k)]->WantedLeftMargin());
        }
    }
    for (int k = 0; k < ChartCount; ++k) {
        if (shown_[static_cast<std::size_t>(k)]) {
            charts_[static_cast<std::size_t>(k)]->Arrange(left);
        }
    }
    dirty_ = false;
    ++times_.Refreshes;
    times_.EnvelopeMs += Ms(start, updated);
    times_.LayoutMs += Ms(updated, Clock::now());
}

ChartPanel::FrameTimes ChartPanel::Times() const {
    FrameTimes times = times_;
    for (const StripChart* chart : charts_) {
        times.Paints += chart->Paints();
        times.PaintMs += chart->PaintMs();
    }
    return times;
}

void ChartPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Panel2Resize();
}

std::span<const std::int16_t> ChartPanel::ChannelSamples(int chart) const {
    const auto channel = static_cast<std::size_t>(chart);
    if (channel >= record_.Samples.size() || scans_ <= 0) {
        return {};
    }
    const std::vector<std::int16_t>& samples = record_.Samples[channel];
    return std::span(samples).first(std::min(samples.size(), static_cast<std::size_t>(scans_)));
}

} // namespace tessary
