#include "chartview/series_cut.h"

#include <algorithm>
#include <cstring>

namespace {

// Four floats, a vector register on any x86-64.
using Lanes = float __attribute__((vector_size(16)));
using Mask = int __attribute__((vector_size(16)));
constexpr std::size_t lanes = 4;

Lanes load(const float* from)
{
    Lanes v;
    std::memcpy(&v, from, sizeof v);
    return v;
}

}  // namespace

void SeriesCut::begin(Placed start)
{
    run_.begin(start);
    sliver_ = runtime::reduction::sliverAt(start.point.x);
    open_ = true;
}

std::size_t SeriesCut::inSliver(std::size_t from, std::size_t count) const
{
    // Eight at a time while all eight are in, then one by one.
    const float* xs = across_.data();
    std::size_t end = from;
    for (; end + 2 * lanes <= count; end += 2 * lanes) {
        const Lanes a = load(xs + end), b = load(xs + end + lanes);
        const Mask in = (a >= sliver_.from) & (a < sliver_.to) & (b >= sliver_.from) & (b < sliver_.to);
        if (!(in[0] & in[1] & in[2] & in[3]))
            break;
    }
    while (end < count && sliver_.holds(xs[end]))
        ++end;
    return end;
}

void SeriesCut::fold(const float* xs, const std::int32_t* ys, std::uint64_t at, std::size_t count)
{
    if (count == 0)
        return;
    // The highest value stands lowest on the canvas.
    using runtime::reduction::firstBeyond;
    const auto y = firstBeyond(ys, count, run_.highest.point.y, run_.lowest.point.y);
    const auto x = firstBeyond(xs, count, run_.leftmost.point.x, run_.rightmost.point.x);
    run_.advance(count, [&](std::size_t i) { return Placed{{xs[i], ys[i]}, at + i}; }, y.above, y.below, x.below,
                 x.above);
}

void SeriesCut::close()
{
    run_.appendTo(kept_);
    open_ = false;
}

void SeriesCut::add(std::size_t first, std::span<const std::int32_t> xs, std::span<const std::int32_t> ys)
{
    const std::size_t count = xs.size();
    if (count == 0)
        return;
    // Where each point lies across, all alike so that it goes a vector at a
    // time; the series' first and last point are placed by the scale's rule.
    across_.resize(count);
    for (std::size_t k = 0; k < count; ++k)
        across_[k] = static_cast<float>(area_.left + area_.width * scale_.between(xs[k]));
    for (const std::size_t k : {std::size_t{0}, count - 1})
        across_[k] = static_cast<float>(area_.left + area_.width * scale_.x(first + k, xs[k]));
    std::size_t k = 0;
    if (!open_)
        begin({{across_[0], ys[0]}, first + k++});
    while (k < count) {
        const std::size_t end = inSliver(k, count);
        fold(across_.data() + k, ys.data() + k, first + k, end - k);
        k = end;
        if (k < count) {
            close();
            begin({{across_[k], ys[k]}, first + k});
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
