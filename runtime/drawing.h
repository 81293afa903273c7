#pragma once

#include <QColor>
#include <QPointF>

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
    void line(QPointF from, QPointF to, QColor colour, int width);
    void rectangle(QPointF corner, QPointF opposite, QColor colour, int width);

    // Paints every stroke; the painter's coordinates are pixels.
    void paint(QPainter& painter) const;

    bool isEmpty() const { return strokes_.empty(); }
    std::size_t strokeCount() const { return strokes_.size(); }

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

    std::vector<Stroke> strokes_;
};

}  // namespace runtime
