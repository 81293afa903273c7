#pragma once

#include "runtime/drawing/point_reduction.h"

#include <QColor>
#include <QPointF>
#include <QPolygonF>

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class QPainter;
class QTransform;

namespace runtime {

// A persistent drawing: the lines and rectangles drawn on a form or picture
// box, kept as strokes in twips so that every repaint, at any pixel ratio,
// and every print comes from them. A line that starts where the previous one
// ended, in the same colour and width, extends that stroke.
//
// A stroke keeps what any device can show of it, not every point: its run of
// consecutive points within one sliver, an eighth of a twip wide, is cut to
// the run's first, lowest, highest, leftmost, rightmost and last point and
// the points just before and after the lowest and the highest, in their
// order. Painting cuts the same way per half of a device pixel column,
// which is wider than a sliver up to 5760 dots to the inch; so a series of
// millions of points costs a few points per sliver of its width, however
// many were drawn.
class Drawing {
public:
    // Inline, for a series of millions of lines: extending the open stroke
    // within its sliver is the common case, and costs a store.
    void line(QPointF from, QPointF to, QRgb colour, int width)
    {
        const Point a{static_cast<float>(from.x()), static_cast<float>(from.y())};
        const Point b{static_cast<float>(to.x()), static_cast<float>(to.y())};
        if (open_ && colour == openColour_ && width == openWidth_ && end_.same(a))
            extend(b);
        else
            startStroke(a, b, colour, width);
    }
    // Lines joining the points in turn, as line() from each to the next,
    // without the checks that each one extends the last.
    void polyline(std::span<const reduction::Point> points, QRgb colour, int width)
    {
        if (points.size() < 2)
            return;
        line(QPointF(points[0].x, points[0].y), QPointF(points[1].x, points[1].y), colour, width);
        for (std::size_t k = 2; k < points.size(); ++k)
            extend(points[k]);
    }
    void rectangle(QPointF corner, QPointF opposite, QColor colour, int width);
    // The strokes of `other` after these; neither extends the other.
    void append(Drawing&& other);

    // Paints every stroke; the painter's coordinates are pixels.
    void paint(QPainter& painter) const;

    bool isEmpty() const { return strokes_.empty(); }

private:
    using Point = reduction::Point;
    using Placed = reduction::Placed;
    using Run = reduction::Run;
    struct Stroke {
        QRgb colour;
        int width;
        bool rectangle;
        std::vector<Point> points;  // a rectangle's two corners; a line's kept points before its open run
    };

    void startStroke(Point from, Point to, QRgb colour, int width);
    // The open stroke's next point: kept for its sliver's run, or, when the
    // buffer is full or the point lies past the sliver, foldAndExtend.
    void extend(Point p)
    {
        end_ = p;
        if (inSliver(p) && pendingCount_ < pending_.size())
            pending_[pendingCount_++] = p;
        else
            foldAndExtend(p);
    }
    void foldAndExtend(Point p);
    bool inSliver(Point p) const { return sliver_.holds(p.x); }
    void beginSliver(Placed first);
    void closeStroke();
    // The open stroke's run, with the points not yet added to it.
    Run openRun() const;

    // Below this many points a stroke is painted as it is.
    static constexpr std::size_t reductionThreshold = 2048;
    // A stroke's points as a paint through `toDevice` strokes them.
    std::vector<Point> painted(const Stroke& stroke, const QTransform& toDevice) const;
    static QPointF toPixels(Point p);

    std::vector<Stroke> strokes_;
    // The last stroke, while lines may still extend it: its run in the
    // current sliver, and the points drawn since, added to the run in bulk.
    bool open_ = false;
    QRgb openColour_ = 0;
    int openWidth_ = 0;
    Point end_{};
    reduction::Strip sliver_{};
    Run run_{};
    std::array<Point, 256> pending_{};
    std::size_t pendingCount_ = 0;
};

}  // namespace runtime
