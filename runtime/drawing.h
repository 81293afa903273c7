#pragma once

#include <QColor>
#include <QPointF>
#include <QPolygonF>

class QTransform;

#include <cstddef>
#include <vector>

class QPainter;

namespace runtime {

// A persistent drawing: the lines and rectangles drawn on a form or picture
// box, kept as strokes in twips so that every repaint, at any pixel ratio,
// and every print comes from them. A line that starts where the previous one
// ended, in the same colour and width, extends that stroke, so a long series
// costs one point per line.
class Drawing {
public:
    void line(QPointF from, QPointF to, QRgb colour, int width);
    void rectangle(QPointF corner, QPointF opposite, QColor colour, int width);

    // Room for a run of this many connected lines, so that a long series is
    // not copied as it grows.
    void expectLines(std::size_t count) { expectedLines_ = count; }

    // How much of a long stroke is painted: all of it, or what shows at
    // the painter's device resolution.
    enum class Detail { Reduced, Full };

    // Paints every stroke; the painter's coordinates are pixels.
    void paint(QPainter& painter, Detail detail = Detail::Reduced) const;

    bool isEmpty() const { return strokes_.empty(); }

private:
    struct Point {
        float x, y;
        friend bool operator==(Point, Point) = default;
    };
    struct Stroke {
        QRgb colour;
        int width;
        bool rectangle;
        std::vector<Point> points;
    };

    // Below this many points a stroke is painted as it is.
    static constexpr std::size_t reductionThreshold = 2048;
    static QPolygonF reduced(const std::vector<Point>& points, const QTransform& toDevice);

    std::vector<Stroke> strokes_;
    std::size_t expectedLines_ = 0;
};

}  // namespace runtime
