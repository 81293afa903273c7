#include "runtime/drawing/point_reduction.h"

#include "runtime/drawing/twips.h"

#include <QTransform>

#include <algorithm>
#include <cmath>
#include <iterator>

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
    // x and y apart, so that each is searched a vector at a time.
    constexpr std::size_t chunk = 256;
    float xs[chunk], ys[chunk];
    for (std::size_t from = 0; from < count; from += chunk) {
        const std::size_t n = std::min(chunk, count - from);
        for (std::size_t k = 0; k < n; ++k) {
            xs[k] = points[from + k].x;
            ys[k] = points[from + k].y;
        }
        const Beyond y = firstBeyond(ys, n, lowest.point.y, highest.point.y);
        const Beyond x = firstBeyond(xs, n, leftmost.point.x, rightmost.point.x);
        const std::uint64_t at = last.at + 1;
        advance(n, [&](std::size_t i) { return Placed{points[from + i], at + i}; }, y.below, y.above, x.below, x.above);
    }
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
