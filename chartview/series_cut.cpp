#include "chartview/series_cut.h"

void SeriesCut::add(std::size_t first, std::span<const std::int32_t> xs, std::span<const std::int32_t> ys)
{
    const std::size_t count = xs.size();
    if (count == 0)
        return;
    // Where each point lies across, all alike so that it goes a vector at a
    // time; the series' first and last point are placed by the scale's rule.
    across_.resize(count);
    for (std::size_t k = 0; k < count; ++k)
        across_[k] = static_cast<float>(area_.across(scale_.between(xs[k])));
    for (const std::size_t k : {std::size_t{0}, count - 1})
        across_[k] = static_cast<float>(area_.across(scale_.x(first + k, xs[k])));
    cut_.add(across_.data(), ys.data(), count, runtime::reduction::sliverAt);
}
