#pragma once

#include <QPointF>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <set>
#include <utility>
#include <vector>

namespace testsupport {

// The reduction written plainly, one point at a time: the runs of
// consecutive points that stay in their first point's strip [from, to), each
// cut to its first, last, lowest, highest, leftmost and rightmost point and
// the points just before and after its lowest and highest, in order.
template <class Strip>
std::vector<QPointF> plainReduction(const std::vector<QPointF>& points, Strip strip)
{
    std::vector<QPointF> kept;
    for (std::size_t i = 0; i < points.size();) {
        const auto [from, to] = strip(points[i].x());
        std::size_t end = i + 1;
        while (end < points.size() && points[end].x() >= from && points[end].x() < to)
            ++end;
        std::size_t low = i, high = i, left = i, right = i;
        for (std::size_t k = i + 1; k < end; ++k) {
            low = points[k].y() < points[low].y() ? k : low;
            high = points[k].y() > points[high].y() ? k : high;
            left = points[k].x() < points[left].x() ? k : left;
            right = points[k].x() > points[right].x() ? k : right;
        }
        std::set<std::size_t> keep{i, end - 1, low, high, left, right};
        for (const std::size_t k : {low, high})
            keep.insert({k > i ? k - 1 : k, k + 1 < end ? k + 1 : k});
        for (const std::size_t k : keep)
            kept.push_back(points[k]);
        i = end;
    }
    return kept;
}

// The strip of a sliver, an eighth of a twip, from its first point at x.
inline std::pair<double, double> sliverAt(double x)
{
    const auto from = static_cast<float>(std::floor(x * 8) / 8);
    float to = static_cast<float>(double{from} + 0.125);
    to = double{to} < double{from} + 0.125 ? std::nextafter(to, INFINITY) : to;
    return {from, std::max(to, std::nextafter(static_cast<float>(x), INFINITY))};
}

}  // namespace testsupport
