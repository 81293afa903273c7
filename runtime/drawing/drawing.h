#pragma once

#include "runtime/drawing/point_reduction.h"

#include <QColor>
#include <QPointF>

#include <cstddef>
#include <vector>

class QPainter;
class QTransform;

namespace runtime {

// A persistent drawing: the lines and rectangles drawn on a form or picture
// box, kept as strokes in twips so that every repaint, at any pixel ratio,
// and every print comes from them. A line that starts where the previous one
// ended, in the same colour and width, extends that stroke.
//
// A stroke keeps every point it is given: a long series comes already cut to
// what any device can show of it. Painting a long stroke cuts it once more,
// per half device pixel column (reduction::reduced), so that its cost
// follows the width of the device, not the number of points.
class Drawing {
public:
    using Point = reduction::Point;

    void line(QPointF from, QPointF to, QRgb colour, int width);
    // Lines joining the points in turn, as a stroke of their own.
    void polyline(std::vector<Point> points, QRgb colour, int width);
    void rectangle(QPointF corner, QPointF opposite, QColor colour, int width);

    // Paints every stroke; the painter's coordinates are pixels.
    void paint(QPainter& painter) const;

    bool isEmpty() const { return strokes_.empty(); }

private:
    struct Stroke {
        QRgb colour;
        int width;
        bool rectangle;
        std::vector<Point> points;  // a rectangle's two corners
    };

    // Below this many points a stroke is painted as it is.
    static constexpr std::size_t reductionThreshold = 2048;
    // A stroke's points as a paint through `toDevice` strokes them.
    static std::vector<Point> painted(const Stroke& stroke, const QTransform& toDevice);

    std::vector<Stroke> strokes_;
    bool open_ = false;  // whether a line may extend the last stroke
};

}  // namespace runtime
