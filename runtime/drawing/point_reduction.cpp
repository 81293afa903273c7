#include "runtime/drawing/point_reduction.h"

#include "runtime/drawing/twips.h"

#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>

namespace runtime::reduction {

Strip sliverAt(float start)
{
    // Where a float is fine enough, the sliver's start is exact in one;
    // where it is coarser, the point itself starts its sliver. The end is
    // rounded up to the next float, which keeps just the floats before the
    // true end.
    const double x = start;
    const auto from = static_cast<float>(std::floor(x * 8) / 8);
    const double end = double{from} + 0.125;
    auto to = static_cast<float>(end);
    if (double{to} < end)
        to = std::nextafter(to, INFINITY);
    // An infinite start has no sliver of its own size; it holds itself.
    return {from, std::max(to, std::nextafter(start, INFINITY))};
}

void Run::add(const Point* points, std::size_t count)
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
    advance(count, [&](std::size_t i) { return Placed{points[i], at + i}; }, low, high, left, right);
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
std::vector<Point> reduced(const std::vector<Point>& points, const QTransform& toDevice)
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

}  // namespace runtime::reduction
