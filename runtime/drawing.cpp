#include "drawing.h"

#include "twips.h"

#include <QPainter>
#include <QPolygonF>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

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

void Drawing::Run::begin(Placed start)
{
    *this = {start, start, start, start, start, start, start, start, start, start, true, true};
}

void Drawing::Run::add(const Point* points, std::size_t count)
{
    if (count == 0)
        return;
    // Which of the points, if any, become the extremes: the first of equals
    // wins, as it would one by one. Found a block at a time, two points to
    // a vector, without branches: a random walk makes new extremes too
    // often to predict them. A NaN is never an extreme, so it pads a block.
    using Lanes = float __attribute__((vector_size(16)));  // x, y, x, y
    constexpr std::size_t block = 8;
    constexpr float nan = std::numeric_limits<float>::quiet_NaN();
    constexpr float inf = std::numeric_limits<float>::infinity();
    const std::size_t none = count;
    std::size_t low = none, high = none, left = none, right = none;
    float lowY = lowest.point.y, highY = highest.point.y;
    float leftX = leftmost.point.x, rightX = rightmost.point.x;
    const auto extremes = [](const Point* block8, Lanes& least, Lanes& most) {
        // A NaN compares false, so it never takes an extreme's place.
        least = Lanes{inf, inf, inf, inf};
        most = -least;
        for (std::size_t k = 0; k < block; k += 2) {
            Lanes lanes;
            std::memcpy(&lanes, block8 + k, sizeof lanes);
            least = lanes < least ? lanes : least;
            most = lanes > most ? lanes : most;
        }
    };
    for (std::size_t b = 0; b < count; b += block) {
        Lanes least, most;
        if (count - b >= block) {
            extremes(points + b, least, most);
        } else {
            Point padded[block];
            std::fill(std::begin(padded), std::end(padded), Point{nan, nan});
            std::copy(points + b, points + count, padded);
            extremes(padded, least, most);
        }
        const float y0 = std::min(least[1], least[3]), y1 = std::max(most[1], most[3]);
        const float x0 = std::min(least[0], least[2]), x1 = std::max(most[0], most[2]);
        low = y0 < lowY ? b : low;
        lowY = y0 < lowY ? y0 : lowY;
        high = y1 > highY ? b : high;
        highY = y1 > highY ? y1 : highY;
        left = x0 < leftX ? b : left;
        leftX = x0 < leftX ? x0 : leftX;
        right = x1 > rightX ? b : right;
        rightX = x1 > rightX ? x1 : rightX;
    }
    // Each extreme is first reached in the block that first reached its value.
    const auto firstOf = [&](std::size_t b, float value, float Point::*coordinate) {
        if (b == none)
            return none;
        while (points[b].*coordinate != value)
            ++b;
        return b;
    };
    low = firstOf(low, lowY, &Point::y);
    high = firstOf(high, highY, &Point::y);
    left = firstOf(left, leftX, &Point::x);
    right = firstOf(right, rightX, &Point::x);
    const std::uint64_t at = last.at + 1;
    const auto placed = [&](std::size_t i) { return Placed{points[i], at + i}; };
    // An extreme's neighbours: before it the point drawn just before, after
    // it the next, or the extreme itself until a next one comes.
    const auto extreme = [&](std::size_t i, Placed& point, Placed& before, Placed& after, bool& awaiting) {
        if (i == none) {
            if (awaiting) {
                after = placed(0);
                awaiting = false;
            }
            return;
        }
        point = placed(i);
        before = i > 0 ? placed(i - 1) : last;
        awaiting = i + 1 == count;
        after = awaiting ? point : placed(i + 1);
    };
    extreme(low, lowest, beforeLowest, afterLowest, awaitingAfterLowest);
    extreme(high, highest, beforeHighest, afterHighest, awaitingAfterHighest);
    if (left != none)
        leftmost = placed(left);
    if (right != none)
        rightmost = placed(right);
    last = placed(count - 1);
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

void Drawing::beginSliver(Placed first)
{
    run_.begin(first);
    pendingCount_ = 0;
    // Slivers are eighths of a twip. Where a float is that fine, the
    // sliver's start is exact in one; where it is coarser, the point itself
    // starts its sliver. Its end is rounded up to the next float, which
    // keeps just the floats before the true end.
    const double x = first.point.x;
    const double from = std::floor(x * 8) / 8;
    sliverFrom_ = static_cast<float>(from);
    const double to = double{sliverFrom_} + 0.125;
    sliverTo_ = static_cast<float>(to);
    if (double{sliverTo_} < to)
        sliverTo_ = std::nextafter(sliverTo_, INFINITY);
    // An infinite start has no sliver of its own size; it holds itself.
    sliverTo_ = std::max(sliverTo_, std::nextafter(first.point.x, INFINITY));
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
std::vector<Drawing::Point> Drawing::reduced(const std::vector<Point>& points, const QTransform& toDevice)
{
    // The half device column of a point straight from its twips;
    // truncation corrected downwards is floor() without a library call.
    constexpr double stripsPerColumn = 2;
    const double scale = stripsPerColumn * toDevice.m11() / twipsPerPixel;
    const double offset = stripsPerColumn * toDevice.dx();
    std::vector<Point> kept;
    for (std::size_t i = 0; i < points.size();) {
        const double x = points[i].x;
        const double at = scale * x + offset;
        // Bounded first (a NaN goes to the lower bound), as the conversion requires.
        const double bounded = at >= -1e18 ? (at <= 1e18 ? at : 1e18) : -1e18;
        const auto truncated = static_cast<std::int64_t>(bounded);
        const auto strip = static_cast<double>(truncated - (bounded < static_cast<double>(truncated)));
        // Rounding may put a point on a bound into its neighbour; that only
        // keeps a point more, but the point itself is always inside.
        const double from = std::min((strip - offset) / scale, x);
        const double to = std::max((strip + 1 - offset) / scale, std::nextafter(x, INFINITY));
        std::size_t end = i + 1;
        while (end < points.size() && double{points[end].x} >= from && double{points[end].x} < to)
            ++end;
        Run run;
        run.begin({points[i], i});
        run.add(points.data() + i + 1, end - i - 1);
        run.appendTo(kept);
        i = end;
    }
    return kept;
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
        return reduced(points, toDevice);
    return points;
}

std::vector<std::vector<QPointF>> Drawing::pointsPainted(const QTransform& toDevice) const
{
    std::vector<std::vector<QPointF>> strokes;
    for (const Stroke& stroke : strokes_) {
        if (stroke.rectangle)
            continue;
        std::vector<QPointF>& points = strokes.emplace_back();
        for (const Point p : painted(stroke, toDevice))
            points.emplace_back(p.x, p.y);
    }
    return strokes;
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
