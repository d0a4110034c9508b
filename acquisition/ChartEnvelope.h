#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace tessary {

// The points of one chart series and their min/max envelope over a fixed number of columns.
//
// Points arrive with ascending x. Column c covers x from Origin() + c × ColumnWidth() up to
// the next column; the first two distinct x values make the first column width, and when a
// point falls beyond the last column the width doubles as often as needed, merging
// neighbouring columns, so that an append costs O(1) amortised whatever the number of points.
// Points that cannot be drawn are dropped: those with a non-finite coordinate, and those
// that would stretch the x or y extent beyond the largest double.
class ChartEnvelope {
public:
    struct Point {
        double X = 0.0;
        double Y = 0.0;
    };
    struct Column {
        Point Min; // the first point with the column's smallest y
        Point Max; // the first point with the column's largest y
        bool Empty = true;
    };

    explicit ChartEnvelope(int columns = 1);

    // Drops every point; the column count stays.
    void Clear();

    // Changes the column count (at least 1) and rebuilds the envelope from the points.
    void SetColumns(int columns);

    void Append(double x, double y);
    // Appends the pairs of the shorter span's length.
    void Append(std::span<const double> x, std::span<const double> y);

    std::size_t Size() const { return points_.size(); }
    bool Empty() const { return points_.empty(); }

    int Columns() const { return static_cast<int>(columns_.size()); }
    const std::vector<Column>& ColumnData() const { return columns_; }
    double Origin() const { return origin_; }
    double ColumnWidth() const { return width_; } // 0 while all points share one x

    // Extent of the points; meaningful only when not Empty().
    double MinX() const { return minX_; }
    double MaxX() const { return maxX_; }
    double MinY() const { return minY_; }
    double MaxY() const { return maxY_; }

    // Replaces `out` with the line for a plot `pixels` wide spanning MinX() to MaxX(): for
    // each pixel column the smallest and the largest point of the columns that begin in it,
    // in x order, one point when both are the same. At most 2 × pixels points; with at least
    // as many columns in use as pixels, no point is drawn more than a pixel from its place.
    void PlotPoints(int pixels, std::vector<Point>& out) const;

private:
    void Place(const Point& p);
    void Widen(double offset);
    static void Merge(Column& into, const Column& from);
    static void Take(Column& column, const Point& p);

    std::vector<Point> points_;
    std::vector<Column> columns_;
    double origin_ = 0.0;
    double width_ = 0.0;
    double minX_ = 0.0;
    double maxX_ = 0.0;
    double minY_ = 0.0;
    double maxY_ = 0.0;
};

} // namespace tessary
