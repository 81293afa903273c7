#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <vector>

class QTransform;

// The cut of a run of points to what any device can show of it, per strip
// of x: what keeps a drawing of millions of points small and quick to paint.
// It is made twice: per sliver of x, an eighth of a twip, on a long series
// before it is drawn (which bounds the drawing's memory, and is finer than
// a device column up to 5760 dots to the inch); and per half column of the
// device each paint is for (which bounds the cost of stroking).
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
// The sliver that a run starting at x keeps to.
Strip sliverAt(float x);

// Where among `count` values the first below `least` and the first above
// `most` stand, `count` for none: the first of equals, as one by one. The
// extremes are found four at a time without branches, as a random walk makes
// new ones too often to predict, then located four at a time, as they may
// stand anywhere. A NaN is never one. For floats and 32-bit integers.
struct Beyond {
    std::size_t below, above;
};
template <class Value>
Beyond firstBeyond(const Value* values, std::size_t count, Value least, Value most)
{
    // Four values, a vector register on any x86-64.
    constexpr std::size_t lanes = 4;
    typedef Value Lanes __attribute__((vector_size(lanes * sizeof(Value))));
    const auto load = [&](std::size_t k) {
        Lanes v;
        std::memcpy(&v, values + k, sizeof v);
        return v;
    };
    Lanes low{least, least, least, least}, high{most, most, most, most};
    std::size_t k = 0;
    for (; k + lanes <= count; k += lanes) {
        const Lanes v = load(k);
        low = v < low ? v : low;
        high = v > high ? v : high;
    }
    Value lowest = least, highest = most;
    for (std::size_t j = 0; j < lanes; ++j) {
        lowest = low[j] < lowest ? low[j] : lowest;
        highest = high[j] > highest ? high[j] : highest;
    }
    for (; k < count; ++k) {
        lowest = values[k] < lowest ? values[k] : lowest;
        highest = values[k] > highest ? values[k] : highest;
    }
    const auto firstOf = [&](Value value) {
        std::size_t at = 0;
        for (; at + lanes <= count; at += lanes) {
            const auto same = load(at) == value;
            if (same[0] | same[1] | same[2] | same[3])
                break;
        }
        while (values[at] != value)
            ++at;
        return at;
    };
    return {lowest < least ? firstOf(lowest) : count, highest > most ? firstOf(highest) : count};
}

// What a run of consecutive points within one strip of x (a sliver, or
// part of a device column) keeps as it grows: its first, lowest, highest,
// leftmost, rightmost and last point and the points just before and after
// the lowest and the highest, each placed in its series. For any kind of
// point with its place.
template <class PlacedPoint>
struct RunKept {
    PlacedPoint first, lowest, highest, leftmost, rightmost, last;
    PlacedPoint beforeLowest, afterLowest, beforeHighest, afterHighest;
    bool awaitingAfterLowest, awaitingAfterHighest;

    void begin(PlacedPoint start) { *this = {start, start, start, start, start, start, start, start, start, start, true, true}; }

    // After `count` (at least one) more points, the kth placed by
    // `placed(k)`: the new lowest, highest, leftmost and rightmost among
    // them at the indices given, or at `count` where one stays as it was.
    template <class PlaceOf>
    void advance(std::size_t count, PlaceOf placed, std::size_t low, std::size_t high, std::size_t left, std::size_t right)
    {
        // An extreme's neighbours: before it the point drawn just before,
        // after it the next, or the extreme itself until a next one comes.
        const auto extreme = [&](std::size_t i, PlacedPoint& point, PlacedPoint& before, PlacedPoint& after,
                                 bool& awaiting) {
            if (i == count) {
                if (awaiting)
                    after = placed(0);
                awaiting = false;
                return;
            }
            point = placed(i);
            before = i > 0 ? placed(i - 1) : last;
            awaiting = i + 1 == count;
            after = awaiting ? point : placed(i + 1);
        };
        extreme(low, lowest, beforeLowest, afterLowest, awaitingAfterLowest);
        extreme(high, highest, beforeHighest, afterHighest, awaitingAfterHighest);
        if (left != count)
            leftmost = placed(left);
        if (right != count)
            rightmost = placed(right);
        last = placed(count - 1);
    }

    // The run's points, each once, in their order.
    template <class Point>
    void appendTo(std::vector<Point>& to) const
    {
        PlacedPoint kept[] = {first,        lowest,      highest,       leftmost,      rightmost,
                              last,         beforeLowest, afterLowest, beforeHighest, afterHighest};
        std::sort(std::begin(kept), std::end(kept), [](const PlacedPoint& a, const PlacedPoint& b) { return a.at < b.at; });
        for (std::size_t k = 0; k < std::size(kept); ++k) {
            if (k == 0 || kept[k].at != kept[k - 1].at)
                to.push_back(kept[k].point);
        }
    }
};

// Points, as they come batch by batch, cut run after run: each run of
// consecutive points within the strip of x that its first point starts,
// `stripAt(x)`, to what RunKept keeps of it. For points of a float x and a
// y of any kind that firstBeyond compares.
template <class P>
class StripCut {
public:
    using Y = decltype(P::y);
    // The `count` points that follow those added, x and y apart, so that
    // each is searched a vector at a time.
    template <class StripAt>
    void add(const float* xs, const Y* ys, std::size_t count, StripAt stripAt)
    {
        for (std::size_t k = 0; k < count;) {
            if (!open_) {
                run_.begin({{xs[k], ys[k]}, placed_ + k});
                strip_ = stripAt(xs[k]);
                open_ = true;
                ++k;
            }
            const std::size_t end = inStrip(xs, k, count);
            fold(xs + k, ys + k, placed_ + k, end - k);
            k = end;
            if (k < count)
                close();
        }
        placed_ += count;
    }
    // The points kept, in order.
    std::vector<P> kept() &&
    {
        if (open_)
            close();
        return std::move(kept_);
    }

private:
    struct Placed {
        P point;
        std::uint64_t at;
    };
    // Where the points from `from` on leave the strip: eight at a time while
    // all eight are in, then one by one.
    std::size_t inStrip(const float* xs, std::size_t from, std::size_t count) const
    {
        typedef float Lanes __attribute__((vector_size(16)));
        const auto load = [&](std::size_t k) {
            Lanes v;
            std::memcpy(&v, xs + k, sizeof v);
            return v;
        };
        std::size_t end = from;
        for (; end + 8 <= count; end += 8) {
            const Lanes a = load(end), b = load(end + 4);
            const auto in = (a >= strip_.from) & (a < strip_.to) & (b >= strip_.from) & (b < strip_.to);
            if (!(in[0] & in[1] & in[2] & in[3]))
                break;
        }
        while (end < count && strip_.holds(xs[end]))
            ++end;
        return end;
    }
    // `count` points that follow the run's last, all within its strip.
    void fold(const float* xs, const Y* ys, std::uint64_t at, std::size_t count)
    {
        if (count == 0)
            return;
        const Beyond y = firstBeyond(ys, count, run_.lowest.point.y, run_.highest.point.y);
        const Beyond x = firstBeyond(xs, count, run_.leftmost.point.x, run_.rightmost.point.x);
        run_.advance(count, [&](std::size_t i) { return Placed{{xs[i], ys[i]}, at + i}; }, y.below, y.above, x.below,
                     x.above);
    }
    void close()
    {
        run_.appendTo(kept_);
        open_ = false;
    }

    bool open_ = false;
    Strip strip_{};
    RunKept<Placed> run_{};
    std::uint64_t placed_ = 0;  // points added before this batch
    std::vector<P> kept_;
};

// A stroke's points cut per half device column of a paint through `toDevice`.
std::vector<Point> reduced(const std::vector<Point>& points, const QTransform& toDevice);

}  // namespace runtime::reduction
