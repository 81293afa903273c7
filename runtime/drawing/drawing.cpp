#include "runtime/drawing/drawing.h"

#include "runtime/drawing/twips.h"

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

void Drawing::beginSliver(Placed first)
{
    run_.begin(first);
    pendingCount_ = 0;
    sliver_ = reduction::sliverAt(first.point.x);
}

void Drawing::foldAndExtend(Point p)
{
    run_.add(pending_.data(), pendingCount_);
    pendingCount_ = 0;
    if (inSliver(p)) {
        pending_[pendingCount_++] = p;
        return;
    }
    run_.appendTo(strokes_.back().points);
    beginSliver({p, run_.last.at + 1});
}

Drawing::Run Drawing::openRun() const
{
    Run run = run_;
    run.add(pending_.data(), pendingCount_);
    return run;
}

void Drawing::closeStroke()
{
    if (open_)
        openRun().appendTo(strokes_.back().points);
    open_ = false;
}

void Drawing::startStroke(Point a, Point b, QRgb rgb, int width)
{
    closeStroke();
    strokes_.push_back({rgb, width, false, {}});
    open_ = true;
    openColour_ = rgb;
    openWidth_ = width;
    beginSliver({a, 0});
    extend(b);
}

void Drawing::append(Drawing&& other)
{
    closeStroke();
    other.closeStroke();
    strokes_.insert(strokes_.end(), std::make_move_iterator(other.strokes_.begin()),
                    std::make_move_iterator(other.strokes_.end()));
    other.strokes_.clear();
}

void Drawing::rectangle(QPointF corner, QPointF opposite, QColor colour, int width)
{
    closeStroke();
    strokes_.push_back({colour.rgb(),
                        width,
                        true,
                        {{static_cast<float>(corner.x()), static_cast<float>(corner.y())},
                         {static_cast<float>(opposite.x()), static_cast<float>(opposite.y())}}});
}

QPointF Drawing::toPixels(Point p) { return QPointF(twipsToPixels(double{p.x}), twipsToPixels(double{p.y})); }

// The points painted are the stroke's own, unless this paint makes them:
// the open stroke ends with its open run, and a long one is reduced.
std::vector<Drawing::Point> Drawing::painted(const Stroke& stroke, const QTransform& toDevice) const
{
    std::vector<Point> points = stroke.points;
    if (open_ && &stroke == &strokes_.back())
        openRun().appendTo(points);
    if (points.size() > reductionThreshold && toDevice.type() <= QTransform::TxScale)
        return reduction::reduced(points, toDevice);
    return points;
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
