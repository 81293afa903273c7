#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

class QTransform;

// The cut of a run of points to what any device can show of it, per strip
// of x: what keeps a drawing of millions of points small and quick to paint.
namespace runtime::reduction {

struct Point {
    float x, y;
    // The very same place: compared as one word, which is also what the
    // processor can take straight from the store before it.
    bool same(Point other) const
    {
        return std::bit_cast<std::uint64_t>(*this) == std::bit_cast<std::uint64_t>(other);
    }
};
// A strip of x, from <= x < to.
struct Strip {
    float from, to;
    bool holds(float x) const { return x >= from && x < to; }
};
// The sliver, an eighth of a twip, that a run starting at x keeps to.
Strip sliverAt(float x);

// A point and its place in the stroke, which orders what a run keeps.
struct Placed {
    Point point;
    std::uint64_t at;
};
// A run of consecutive points within one strip of x (a sliver, or part
// of a device column), cut as it grows to its first, lowest, highest,
// leftmost, rightmost and last point and the points just before and
// after the lowest and the highest.
struct Run {
    Placed first, lowest, highest, leftmost, rightmost, last;
    Placed beforeLowest, afterLowest, beforeHighest, afterHighest;
    bool awaitingAfterLowest, awaitingAfterHighest;

    void begin(Placed start);
    // Adds the `count` points that follow the last, as if one by one.
    void add(const Point* points, std::size_t count);
    // The run's points, each once, in their order.
    void appendTo(std::vector<Point>& to) const;
};

// A stroke's points cut per half device column of a paint through `toDevice`.
std::vector<Point> reduced(const std::vector<Point>& points, const QTransform& toDevice);

}  // namespace runtime::reduction
