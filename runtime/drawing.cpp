#include "drawing.h"

#include "twips.h"

#include <QPainter>
#include <QPolygonF>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstdint>

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

void Drawing::startStroke(Point a, Point b, QRgb rgb, int width)
{
    Stroke stroke{rgb, width, false, {}, {}};
    stroke.begin({a, 0});
    stroke.extend(b);
    strokes_.push_back(std::move(stroke));
}

void Drawing::Run::begin(Placed start, double stripFrom, double stripTo)
{
    *this = {start, start, start, start, start, start, start, start, start, start, true, true, stripFrom, stripTo};
    // Rounding may put a point on a bound into its neighbour; that only
    // keeps a point more, but the point itself is always inside.
    const double x = start.point.x;
    from = std::min(x, from);
    to = std::max(std::nextafter(x, INFINITY), to);
}

void Drawing::Run::appendTo(std::vector<Point>& to) const
{
    Placed kept[] = {first, lowest, highest, leftmost, rightmost, last, beforeLowest, afterLowest, beforeHighest, afterHighest};
    std::sort(std::begin(kept), std::end(kept), [](Placed a, Placed b) { return a.at < b.at; });
    for (std::size_t k = 0; k < std::size(kept); ++k) {
        if (k == 0 || kept[k].at != kept[k - 1].at)
            to.push_back(kept[k].point);
    }
}

void Drawing::Stroke::begin(Placed first)
{
    // Slivers are eighths of a twip, so their bounds are exact in binary.
    const double sliver = std::floor(double{first.point.x} * 8) / 8;
    run.begin(first, sliver, sliver + 0.125);
}

void Drawing::Stroke::nextSliver(Placed first)
{
    run.appendTo(points);
    begin(first);
}

std::vector<Drawing::Point> Drawing::Stroke::kept() const
{
    if (rectangle)
        return points;
    std::vector<Point> all = points;
    run.appendTo(all);
    return all;
}

void Drawing::rectangle(QPointF corner, QPointF opposite, QColor colour, int width)
{
    strokes_.push_back({colour.rgb(),
                        width,
                        true,
                        {{static_cast<float>(corner.x()), static_cast<float>(corner.y())},
                         {static_cast<float>(opposite.x()), static_cast<float>(opposite.y())}},
                        {}});
}

// Once a stroke has many more points than the device has pixel columns
// under it, each column's run of consecutive points is cut to its first,
// lowest, highest and last point (M4), in their order: the polyline then
// reaches the same extremes in every column, and the cost of stroking
// follows the width of the device, not the number of points. A 3-pixel pen
// reaches into the neighbouring columns, and how far depends on the points
// dropped; so the cut is made per half column, and keeps each run's
// leftmost and rightmost points and the neighbours of its extremes (the
// line into and out of a spike) too. The slivers a stroke keeps are the same
// cut at a finer grain still.
QPolygonF Drawing::reduced(const std::vector<Point>& points, const QTransform& toDevice)
{
    // The half device column of a point straight from its twips;
    // truncation corrected downwards is floor() without a library call.
    constexpr double stripsPerColumn = 2;
    const double scale = stripsPerColumn * toDevice.m11() / twipsPerPixel;
    const double offset = stripsPerColumn * toDevice.dx();
    const auto begin = [&](Run& run, Placed start) {
        const double at = scale * double{start.point.x} + offset;
        // Bounded first (a NaN goes to the lower bound), as the conversion requires.
        const double bounded = at >= -1e18 ? (at <= 1e18 ? at : 1e18) : -1e18;
        const auto truncated = static_cast<std::int64_t>(bounded);
        const auto strip = static_cast<double>(truncated - (bounded < static_cast<double>(truncated)));
        run.begin(start, (strip - offset) / scale, (strip + 1 - offset) / scale);
    };
    std::vector<Point> kept;
    Run run;
    begin(run, {points[0], 0});
    for (std::size_t i = 1; i < points.size(); ++i) {
        const Placed placed{points[i], i};
        if (run.holds(placed.point)) {
            run.add(placed);
        } else {
            run.appendTo(kept);
            begin(run, placed);
        }
    }
    run.appendTo(kept);
    QPolygonF polyline;
    polyline.reserve(static_cast<qsizetype>(kept.size()));
    for (const Point p : kept)
        polyline.append(QPointF(twipsToPixels(double{p.x}), twipsToPixels(double{p.y})));
    return polyline;
}

void Drawing::paint(QPainter& painter) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    const QTransform toDevice = painter.combinedTransform();
    const bool reducible = toDevice.type() <= QTransform::TxScale;
    const auto toPixels = [](Point p) {
        return QPointF(twipsToPixels(double{p.x}), twipsToPixels(double{p.y}));
    };
    for (const Stroke& stroke : strokes_) {
        painter.setPen(penFor(stroke.colour, stroke.width));
        if (stroke.rectangle) {
            painter.drawRect(QRectF(toPixels(stroke.points[0]), toPixels(stroke.points[1])).normalized());
            continue;
        }
        const std::vector<Point> points = stroke.kept();
        if (points.size() == 2) {
            painter.drawLine(toPixels(points[0]), toPixels(points[1]));
        } else if (reducible && points.size() > reductionThreshold) {
            painter.drawPolyline(reduced(points, toDevice));
        } else {
            QPolygonF polyline;
            polyline.reserve(static_cast<qsizetype>(points.size()));
            for (const Point p : points)
                polyline.append(toPixels(p));
            painter.drawPolyline(polyline);
        }
    }
    painter.restore();
}

}  // namespace runtime
