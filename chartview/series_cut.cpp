#include "chartview/series_cut.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

// Four floats, a vector register on any x86-64.
using Lanes = float __attribute__((vector_size(16)));
using Mask = int __attribute__((vector_size(16)));
using Ints = std::int32_t __attribute__((vector_size(16)));
constexpr std::size_t lanes = 4;

template <class Vector, class Value>
Vector load(const Value* from)
{
    Vector v;
    std::memcpy(&v, from, sizeof v);
    return v;
}
Lanes load(const float* from) { return load<Lanes>(from); }

// Where `value` first stands among `values`, which hold it: four compared
// at once, as an extreme of a long run may stand anywhere in it.
template <class Vector, class Value>
std::size_t firstOf(const Value* values, std::size_t count, Value value)
{
    std::size_t k = 0;
    for (; k + lanes <= count; k += lanes) {
        const auto same = load<Vector>(values + k) == value;
        if (same[0] | same[1] | same[2] | same[3])
            break;
    }
    while (values[k] != value)
        ++k;
    return k;
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
    // The extremes first, without branches and a vector at a time; then
    // where each was first reached, the first of equals as one by one.
    std::int32_t high = std::numeric_limits<std::int32_t>::min(), low = std::numeric_limits<std::int32_t>::max();
    for (std::size_t k = 0; k < count; ++k) {
        high = std::max(high, ys[k]);
        low = std::min(low, ys[k]);
    }
    constexpr float inf = std::numeric_limits<float>::infinity();
    Lanes least{inf, inf, inf, inf}, most = -least;
    std::size_t k = 0;
    for (; k + lanes <= count; k += lanes) {
        const Lanes v = load(xs + k);
        least = v < least ? v : least;
        most = v > most ? v : most;
    }
    float left = inf, right = -inf;
    for (std::size_t j = 0; j < lanes; ++j) {
        left = std::min(left, least[j]);
        right = std::max(right, most[j]);
    }
    for (; k < count; ++k) {
        left = std::min(left, xs[k]);
        right = std::max(right, xs[k]);
    }
    // The highest value stands lowest on the canvas.
    const std::size_t none = count;
    const std::size_t highest = high > run_.lowest.point.y ? firstOf<Ints>(ys, count, high) : none;
    const std::size_t lowest = low < run_.highest.point.y ? firstOf<Ints>(ys, count, low) : none;
    const std::size_t leftmost = left < run_.leftmost.point.x ? firstOf<Lanes>(xs, count, left) : none;
    const std::size_t rightmost = right > run_.rightmost.point.x ? firstOf<Lanes>(xs, count, right) : none;
    run_.advance(count, [&](std::size_t i) { return Placed{{xs[i], ys[i]}, at + i}; }, highest, lowest, leftmost,
                 rightmost);
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
