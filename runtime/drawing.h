#pragma once

#include <QColor>
#include <QPointF>
#include <QPolygonF>

#include <bit>
#include <cstddef>
#include <cstdint>
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
    // Inline, for a series of millions of lines: extending the last stroke
    // within its sliver is the common case.
    void line(QPointF from, QPointF to, QRgb colour, int width)
    {
        const Point a{static_cast<float>(from.x()), static_cast<float>(from.y())};
        const Point b{static_cast<float>(to.x()), static_cast<float>(to.y())};
        if (!strokes_.empty()) {
            Stroke& last = strokes_.back();
            if (!last.rectangle && last.colour == colour && last.width == width && last.run.last.point.same(a)) {
                last.extend(b);
                return;
            }
        }
        startStroke(a, b, colour, width);
    }
    void rectangle(QPointF corner, QPointF opposite, QColor colour, int width);

    // Paints every stroke; the painter's coordinates are pixels.
    void paint(QPainter& painter) const;

    bool isEmpty() const { return strokes_.empty(); }

private:
    struct Point {
        float x, y;
        // The very same place: compared as one word, which is also what the
        // processor can take straight from the store before it.
        bool same(Point other) const
        {
            return std::bit_cast<std::uint64_t>(*this) == std::bit_cast<std::uint64_t>(other);
        }
    };
    // A point and its place in the stroke, which orders what a run keeps.
    struct Placed {
        Point point;
        std::uint64_t at;
    };
    // A run of consecutive points within one strip of x (a sliver, or part
    // of a device column), cut as it grows to its first, lowest, highest,
    // leftmost, rightmost and last point and the points just before and
    // after the lowest and the highest.
    struct Run {
        Placed first, lowest, highest, leftmost, rightmost, last;
        Placed beforeLowest, afterLowest, beforeHighest, afterHighest;
        bool awaitingAfterLowest, awaitingAfterHighest;
        double from, to;  // the strip's bounds in twips: from <= x < to

        void begin(Placed start, double stripFrom, double stripTo);
        bool holds(Point p) const { return double{p.x} >= from && double{p.x} < to; }
        void add(Placed placed)
        {
            const Point p = placed.point;
            if (awaitingAfterLowest) {
                afterLowest = placed;
                awaitingAfterLowest = false;
            }
            if (awaitingAfterHighest) {
                afterHighest = placed;
                awaitingAfterHighest = false;
            }
            if (p.y < lowest.point.y) {
                lowest = afterLowest = placed;
                beforeLowest = last;
                awaitingAfterLowest = true;
            } else if (p.y > highest.point.y) {
                highest = afterHighest = placed;
                beforeHighest = last;
                awaitingAfterHighest = true;
            }
            if (p.x < leftmost.point.x)
                leftmost = placed;
            else if (p.x > rightmost.point.x)
                rightmost = placed;
            last = placed;
        }
        // The run's points, each once, in their order.
        void appendTo(std::vector<Point>& to) const;
    };
    struct Stroke {
        QRgb colour;
        int width;
        bool rectangle;
        std::vector<Point> points;  // a rectangle's two corners; a line's kept points before its run
        Run run;
        std::uint64_t count = 0;  // points drawn

        void extend(Point p)
        {
            const Placed placed{p, ++count};
            if (run.holds(p))
                run.add(placed);
            else
                nextSliver(placed);
        }
        void begin(Placed first);
        void nextSliver(Placed first);
        std::vector<Point> kept() const;
    };

    void startStroke(Point from, Point to, QRgb colour, int width);

    // Below this many points a stroke is painted as it is.
    static constexpr std::size_t reductionThreshold = 2048;
    static QPolygonF reduced(const std::vector<Point>& points, const QTransform& toDevice);

    std::vector<Stroke> strokes_;
};

}  // namespace runtime
