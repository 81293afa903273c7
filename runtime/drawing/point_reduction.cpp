#include "runtime/drawing/point_reduction.h"

#include "runtime/drawing/twips.h"

#include <QTransform>

#include <cmath>
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

namespace {

// The least float at or above x, so that a float compares with it as with x.
float floatAtLeast(double x)
{
    if (!(x <= std::numeric_limits<float>::max()))
        return x > 0 ? INFINITY : static_cast<float>(x);  // beyond every float, or NaN
    if (x < -std::numeric_limits<float>::max())
        return -std::numeric_limits<float>::max();
    const auto f = static_cast<float>(x);
    return double{f} < x ? std::nextafter(f, INFINITY) : f;
}

}  // namespace

// Once a stroke has many more points than the device has pixel columns
// under it, each column's run of consecutive points is cut to its first,
// lowest, highest and last point (M4), in their order: the polyline then
// reaches the same extremes in every column, and the cost of stroking
// follows the width of the device, not the number of points. A 3-pixel pen
// reaches into the neighbouring columns, and how far depends on the points
// dropped; so the cut is made per half column, and keeps each run's
// leftmost and rightmost points and the neighbours of its extremes (the
// line into and out of a spike) too.
std::vector<Point> reduced(const std::vector<Point>& points, const QTransform& toDevice)
{
    // The half device column of a point straight from its twips;
    // truncation corrected downwards is floor() without a library call.
    constexpr double stripsPerColumn = 2;
    const double scale = stripsPerColumn * toDevice.m11() / twipsPerPixel;
    const double offset = stripsPerColumn * toDevice.dx();
    const auto halfColumnAt = [&](float start) {
        const double x = start;
        const double at = scale * x + offset;
        // Bounded first (a NaN goes to the lower bound), as the conversion requires.
        const double bounded = at >= -1e18 ? (at <= 1e18 ? at : 1e18) : -1e18;
        const auto truncated = static_cast<std::int64_t>(bounded);
        const auto strip = static_cast<double>(truncated - (bounded < static_cast<double>(truncated)));
        // Rounding may put a point on a bound into its neighbour; that only
        // keeps a point more, but the point itself is always inside.
        return Strip{floatAtLeast(std::min((strip - offset) / scale, x)),
                     floatAtLeast(std::max((strip + 1 - offset) / scale, std::nextafter(x, INFINITY)))};
    };
    StripCut<Point> cut;
    constexpr std::size_t chunk = 256;
    float xs[chunk], ys[chunk];
    for (std::size_t from = 0; from < points.size(); from += chunk) {
        const std::size_t n = std::min(chunk, points.size() - from);
        for (std::size_t k = 0; k < n; ++k) {
            xs[k] = points[from + k].x;
            ys[k] = points[from + k].y;
        }
        cut.add(xs, ys, n, halfColumnAt);
    }
    return std::move(cut).kept();
}

}  // namespace runtime::reduction
