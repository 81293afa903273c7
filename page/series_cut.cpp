#include "series_cut.h"

#include <algorithm>
#include <iterator>
#include <limits>

void SeriesCut::begin(Placed start)
{
    run_ = {start, start, start, start, start, start, start, start, start, start, true, true};
    sliver_ = runtime::reduction::sliverAt(start.point.x);
    open_ = true;
}

void SeriesCut::fold(const CutPoint* points, std::uint64_t at, std::size_t count)
{
    if (count == 0)
        return;
    // The extremes first, in loops without branches that the compiler can
    // vectorise; then where each was first reached.
    std::int32_t high = std::numeric_limits<std::int32_t>::min(), low = std::numeric_limits<std::int32_t>::max();
    float left = std::numeric_limits<float>::infinity(), right = -left;
    for (std::size_t k = 0; k < count; ++k) {
        high = std::max(high, points[k].y);
        low = std::min(low, points[k].y);
        left = std::min(left, points[k].x);
        right = std::max(right, points[k].x);
    }
    const auto placed = [&](std::size_t k) { return Placed{points[k], at + k}; };
    const auto firstOf = [&](auto reached) {
        std::size_t k = 0;
        while (!reached(points[k]))
            ++k;
        return k;
    };
    // An extreme's neighbours: before it the point just before, after it
    // the next, or the extreme itself until a next one comes.
    const auto extreme = [&](bool beaten, auto reached, Placed& point, Placed& before, Placed& after, bool& awaiting) {
        if (!beaten) {
            if (awaiting)
                after = placed(0);
            awaiting = false;
            return;
        }
        const std::size_t k = firstOf(reached);
        point = placed(k);
        before = k > 0 ? placed(k - 1) : run_.last;
        awaiting = k + 1 == count;
        after = awaiting ? point : placed(k + 1);
    };
    extreme(high > run_.highest.point.y, [&](CutPoint p) { return p.y == high; }, run_.highest, run_.beforeHighest,
            run_.afterHighest, run_.awaitingAfterHighest);
    extreme(low < run_.lowest.point.y, [&](CutPoint p) { return p.y == low; }, run_.lowest, run_.beforeLowest,
            run_.afterLowest, run_.awaitingAfterLowest);
    if (left < run_.leftmost.point.x)
        run_.leftmost = placed(firstOf([&](CutPoint p) { return p.x == left; }));
    if (right > run_.rightmost.point.x)
        run_.rightmost = placed(firstOf([&](CutPoint p) { return p.x == right; }));
    run_.last = placed(count - 1);
}

void SeriesCut::close()
{
    Placed kept[] = {run_.first,   run_.last,          run_.leftmost,     run_.rightmost,
                     run_.highest, run_.lowest,        run_.beforeHighest, run_.afterHighest,
                     run_.beforeLowest, run_.afterLowest};
    std::sort(std::begin(kept), std::end(kept), [](Placed a, Placed b) { return a.at < b.at; });
    for (std::size_t k = 0; k < std::size(kept); ++k) {
        if (k == 0 || kept[k].at != kept[k - 1].at)
            kept_.push_back(kept[k].point);
    }
    open_ = false;
}

void SeriesCut::add(std::size_t first, std::span<const std::int32_t> xs, std::span<const std::int32_t> ys)
{
    const std::size_t count = xs.size();
    batch_.resize(count);
    for (std::size_t k = 0; k < count; ++k)
        batch_[k] = {static_cast<float>(area_.left + area_.width * scale_.x(first + k, xs[k])), ys[k]};
    std::size_t k = 0;
    if (!open_ && count > 0)
        begin({batch_[0], first + k++});
    while (k < count) {
        std::size_t end = k;
        while (end < count && sliver_.holds(batch_[end].x))
            ++end;
        fold(batch_.data() + k, first + k, end - k);
        k = end;
        if (k < count) {
            close();
            begin({batch_[k], first + k});
            ++k;
        }
    }
}

std::vector<CutPoint> SeriesCut::kept() &&
{
    if (open_)
        close();
    return std::move(kept_);
}
