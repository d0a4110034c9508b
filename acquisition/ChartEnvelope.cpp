#include "acquisition/ChartEnvelope.h"

#include <algorithm>
#include <cmath>

namespace tessary {

ChartEnvelope::ChartEnvelope(int columns)
    : columns_(static_cast<std::size_t>(std::max(columns, 1))) {}

void ChartEnvelope::Clear() {
    points_.clear();
    std::fill(columns_.begin(), columns_.end(), Column{});
    origin_ = 0.0;
    width_ = 0.0;
}

void ChartEnvelope::SetColumns(int columns) {
    columns_.assign(static_cast<std::size_t>(std::max(columns, 1)), Column{});
    width_ = 0.0;
    if (!points_.empty()) {
        origin_ = points_.front().X;
    }
    for (const Point& p : points_) {
        Place(p);
    }
}

void ChartEnvelope::Append(double x, double y) {
    if (!std::isfinite(x) || !std::isfinite(y)) {
        return;
    }
    const Point p{x, y};
    if (points_.empty()) {
        origin_ = x;
        minX_ = maxX_ = x;
        minY_ = maxY_ = y;
    } else {
        const double minX = std::min(minX_, x);
        const double maxX = std::max(maxX_, x);
        const double minY = std::min(minY_, y);
        const double maxY = std::max(maxY_, y);
        // A span that overflows has no scale to draw it on.
        if (!std::isfinite(maxX - minX) || !std::isfinite(maxY - minY)) {
            return;
        }
        minX_ = minX;
        maxX_ = maxX;
        minY_ = minY;
        maxY_ = maxY;
    }
    points_.push_back(p);
    Place(p);
}

void ChartEnvelope::Append(std::span<const double> x, std::span<const double> y) {
    const std::size_t n = std::min(x.size(), y.size());
    for (std::size_t i = 0; i < n; ++i) {
        Append(x[i], y[i]);
    }
}

void ChartEnvelope::Place(const Point& p) {
    const double offset = p.X - origin_;
    if (width_ == 0.0 && offset > 0.0) {
        width_ = offset;
    }
    std::size_t column = 0;
    if (width_ > 0.0 && offset > 0.0) {
        if (offset >= width_ * static_cast<double>(columns_.size())) {
            Widen(offset);
        }
        const double c = std::floor(offset / width_);
        column = std::min(static_cast<std::size_t>(c), columns_.size() - 1);
    }
    Take(columns_[column], p);
}

void ChartEnvelope::Widen(double offset) {
    const double count = static_cast<double>(columns_.size());
    int doublings = 0;
    while (offset >= width_ * count) {
        width_ *= 2.0;
        ++doublings;
    }
    std::vector<Column> merged(columns_.size());
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        const std::size_t target = doublings >= 63 ? 0 : c >> doublings;
        Merge(merged[target], columns_[c]);
    }
    columns_.swap(merged);
}

void ChartEnvelope::Merge(Column& into, const Column& from) {
    if (from.Empty) {
        return;
    }
    if (into.Empty) {
        into = from;
        return;
    }
    if (from.Min.Y < into.Min.Y) {
        into.Min = from.Min;
    }
    if (from.Max.Y > into.Max.Y) {
        into.Max = from.Max;
    }
}

void ChartEnvelope::Take(Column& column, const Point& p) {
    if (column.Empty) {
        column.Min = column.Max = p;
        column.Empty = false;
        return;
    }
    if (p.Y < column.Min.Y) {
        column.Min = p;
    }
    if (p.Y > column.Max.Y) {
        column.Max = p;
    }
}

void ChartEnvelope::PlotPoints(int pixels, std::vector<Point>& out) const {
    out.clear();
    if (points_.empty()) {
        return;
    }
    const int bins = std::max(pixels, 1);
    const double range = maxX_ - minX_;
    const double scale = range > 0.0 ? bins / range : 0.0;
    Column bin;
    int binPixel = -1;
    const auto flush = [&out, &bin] {
        if (bin.Empty) {
            return;
        }
        const bool single = bin.Min.X == bin.Max.X && bin.Min.Y == bin.Max.Y;
        if (single) {
            out.push_back(bin.Min);
        } else if (bin.Min.X <= bin.Max.X) {
            out.push_back(bin.Min);
            out.push_back(bin.Max);
        } else {
            out.push_back(bin.Max);
            out.push_back(bin.Min);
        }
        bin = Column{};
    };
    for (std::size_t c = 0; c < columns_.size(); ++c) {
        const Column& column = columns_[c];
        if (column.Empty) {
            continue;
        }
        const double start = origin_ + static_cast<double>(c) * width_;
        const double position = std::floor((start - minX_) * scale);
        const int pixel =
            position > 0.0 ? static_cast<int>(std::min<double>(position, bins - 1)) : 0;
        if (pixel != binPixel) {
            flush();
            binPixel = pixel;
        }
        Merge(bin, column);
    }
    flush();
}

} // namespace tessary
