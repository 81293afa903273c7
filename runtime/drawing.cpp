#include "drawing.h"

#include "twips.h"

#include <QPainter>
#include <QPolygonF>

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

void Drawing::line(QPointF from, QPointF to, QColor colour, int width)
{
    const Point a{static_cast<float>(from.x()), static_cast<float>(from.y())};
    const Point b{static_cast<float>(to.x()), static_cast<float>(to.y())};
    const QRgb rgb = colour.rgb();
    if (!strokes_.empty()) {
        Stroke& last = strokes_.back();
        if (!last.rectangle && last.colour == rgb && last.width == width && last.points.back() == a) {
            last.points.push_back(b);
            return;
        }
    }
    strokes_.push_back({rgb, width, false, {a, b}});
}

void Drawing::rectangle(QPointF corner, QPointF opposite, QColor colour, int width)
{
    strokes_.push_back({colour.rgb(),
                        width,
                        true,
                        {{static_cast<float>(corner.x()), static_cast<float>(corner.y())},
                         {static_cast<float>(opposite.x()), static_cast<float>(opposite.y())}}});
}

void Drawing::paint(QPainter& painter) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    const auto toPixels = [](Point p) {
        return QPointF(twipsToPixels(double{p.x}), twipsToPixels(double{p.y}));
    };
    for (const Stroke& stroke : strokes_) {
        painter.setPen(penFor(stroke.colour, stroke.width));
        if (stroke.rectangle) {
            painter.drawRect(QRectF(toPixels(stroke.points[0]), toPixels(stroke.points[1])).normalized());
        } else if (stroke.points.size() == 2) {
            painter.drawLine(toPixels(stroke.points[0]), toPixels(stroke.points[1]));
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
