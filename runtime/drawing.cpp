#include "drawing.h"

#include "twips.h"

#include <QPainter>
#include <QPolygonF>
#include <QTransform>

#include <algorithm>
#include <cmath>

namespace runtime {
namespace {

// A pen of one pixel leaves out the line's last pixel, as thin lines always
// have on forms; wider pens end round, so consecutive segments join smoothly.
QPen penFor(QRgb colour, int width)
{
    QPen pen(QColor::fromRgb(colour), width);
    if (width <= 1) {
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::MiterJoin);
    } else {
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
    }
    return pen;
}

}  // namespace

void Drawing::line(QPointF from, QPointF to, QRgb rgb, int width)
{
    const Point a{static_cast<float>(from.x()), static_cast<float>(from.y())};
    const Point b{static_cast<float>(to.x()), static_cast<float>(to.y())};
    if (!strokes_.empty()) {
        Stroke& last = strokes_.back();
        if (!last.rectangle && last.colour == rgb && last.width == width && last.points.back() == a) {
            last.points.push_back(b);
            return;
        }
    }
    Stroke stroke{rgb, width, false, {}};
    stroke.points.reserve(std::max<std::size_t>(2, expectedLines_ + 1));
    expectedLines_ = 0;
    stroke.points.push_back(a);
    stroke.points.push_back(b);
    strokes_.push_back(std::move(stroke));
}

void Drawing::rectangle(QPointF corner, QPointF opposite, QColor colour, int width)
{
    strokes_.push_back({colour.rgb(),
                        width,
                        true,
                        {{static_cast<float>(corner.x()), static_cast<float>(corner.y())},
                         {static_cast<float>(opposite.x()), static_cast<float>(opposite.y())}}});
}

// Once a stroke has many more points than the device has pixel columns
// under it, each column's run of consecutive points is cut to its first,
// lowest, highest and last point (M4), in their order: the polyline then
// reaches the same extremes in every column, and the cost of stroking
// follows the width of the device, not the number of points. The run's
// leftmost and rightmost points are kept too: a 3-pixel pen reaches into
// the neighbouring columns, and where it does depends on them.
QPolygonF Drawing::reduced(const std::vector<Point>& points, const QTransform& toDevice)
{
    QPolygonF kept;
    const auto pixel = [](Point p) { return QPointF(twipsToPixels(double{p.x}), twipsToPixels(double{p.y})); };
    const auto column = [&](const QPointF& p) { return std::floor(toDevice.m11() * p.x() + toDevice.dx()); };
    std::size_t first = 0;
    std::size_t lowest = 0;
    std::size_t highest = 0;
    std::size_t leftmost = 0;
    std::size_t rightmost = 0;
    double current = column(pixel(points[0]));
    const auto flush = [&](std::size_t last) {
        std::size_t run[] = {first, lowest, highest, leftmost, rightmost, last};
        std::sort(std::begin(run), std::end(run));
        for (std::size_t k = 0; k < std::size(run); ++k) {
            if (k == 0 || run[k] != run[k - 1])
                kept.append(pixel(points[run[k]]));
        }
    };
    for (std::size_t i = 1; i < points.size(); ++i) {
        const double here = column(pixel(points[i]));
        if (here != current) {
            flush(i - 1);
            first = lowest = highest = leftmost = rightmost = i;
            current = here;
            continue;
        }
        if (points[i].y < points[lowest].y)
            lowest = i;
        else if (points[i].y > points[highest].y)
            highest = i;
        if (points[i].x < points[leftmost].x)
            leftmost = i;
        else if (points[i].x > points[rightmost].x)
            rightmost = i;
    }
    flush(points.size() - 1);
    return kept;
}

void Drawing::paint(QPainter& painter, Detail detail) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    const QTransform toDevice = painter.combinedTransform();
    const bool reducible = detail == Detail::Reduced && toDevice.type() <= QTransform::TxScale;
    const auto toPixels = [](Point p) {
        return QPointF(twipsToPixels(double{p.x}), twipsToPixels(double{p.y}));
    };
    for (const Stroke& stroke : strokes_) {
        painter.setPen(penFor(stroke.colour, stroke.width));
        if (stroke.rectangle) {
            painter.drawRect(QRectF(toPixels(stroke.points[0]), toPixels(stroke.points[1])).normalized());
        } else if (stroke.points.size() == 2) {
            painter.drawLine(toPixels(stroke.points[0]), toPixels(stroke.points[1]));
        } else if (reducible && stroke.points.size() > reductionThreshold) {
            painter.drawPolyline(reduced(stroke.points, toDevice));
        } else {
            QPolygonF polyline;
            polyline.reserve(static_cast<qsizetype>(stroke.points.size()));
            for (const Point p : stroke.points)
                polyline.append(toPixels(p));
            painter.drawPolyline(polyline);
        }
    }
    painter.restore();
}

}  // namespace runtime
