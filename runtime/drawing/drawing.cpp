#include "runtime/drawing/drawing.h"

#include "runtime/drawing/twips.h"

#include <QPainter>
#include <QPolygonF>
#include <QTransform>


namespace runtime {
namespace {

// A pen of one pixel leaves out the line's last pixel, as thin lines always
// have on forms; wider pens end round, so consecutive segments join smoothly.
QPen penFor(QRgb colour, int width)
{
    const bool thin = width <= 1;
    return QPen(QColor::fromRgb(colour), width, Qt::SolidLine, thin ? Qt::FlatCap : Qt::RoundCap,
                thin ? Qt::MiterJoin : Qt::RoundJoin);
}

Drawing::Point toPoint(QPointF p) { return {static_cast<float>(p.x()), static_cast<float>(p.y())}; }

QPointF toPixels(Drawing::Point p) { return QPointF(twipsToPixels(double{p.x}), twipsToPixels(double{p.y})); }

}  // namespace

void Drawing::line(QPointF from, QPointF to, QRgb colour, int width)
{
    const Point a = toPoint(from);
    if (!open_ || strokes_.back().colour != colour || strokes_.back().width != width
        || !strokes_.back().points.back().same(a)) {
        strokes_.push_back({colour, width, false, {a}});
        open_ = true;
    }
    strokes_.back().points.push_back(toPoint(to));
}

void Drawing::polyline(std::vector<Point> points, QRgb colour, int width)
{
    if (points.size() < 2)
        return;
    strokes_.push_back({colour, width, false, std::move(points)});
    open_ = true;
}

void Drawing::rectangle(QPointF corner, QPointF opposite, QColor colour, int width)
{
    strokes_.push_back({colour.rgb(), width, true, {toPoint(corner), toPoint(opposite)}});
    open_ = false;
}

std::vector<Drawing::Point> Drawing::painted(const Stroke& stroke, const QTransform& toDevice)
{
    if (stroke.points.size() > reductionThreshold && toDevice.type() <= QTransform::TxScale)
        return reduction::reduced(stroke.points, toDevice);
    return stroke.points;
}

void Drawing::paint(QPainter& painter) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    const QTransform toDevice = painter.combinedTransform();
    for (const Stroke& stroke : strokes_) {
        painter.setPen(penFor(stroke.colour, stroke.width));
        if (stroke.rectangle) {
            painter.drawRect(QRectF(toPixels(stroke.points[0]), toPixels(stroke.points[1])).normalized());
            continue;
        }
        const std::vector<Point> points = painted(stroke, toDevice);
        if (points.size() == 2) {
            painter.drawLine(toPixels(points[0]), toPixels(points[1]));
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
