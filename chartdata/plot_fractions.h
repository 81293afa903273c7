#pragma once

#include "axis_scale.h"
#include "chart_data.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace chartdata {

// Each point's place as fractions of the plot area: x from 0 (left edge) to
// 1 (right edge) by its distance from the first x value over the span from
// the first to the last; y from 0 (bottom, yBottom) to 1 (top, yTop). The
// first point is always at x 0 and, when there are two or more, the last at
// x 1. Points between may fall outside 0..1; they are kept as they are.
//
// The fractions are worked out when asked for, from the values kept here: a
// long series then costs no second copy of itself in memory.
class PlotFractions {
public:
    std::size_t size() const { return xValues_.size(); }
    double x(std::size_t i) const
    {
        if (i == 0)
            return 0;
        if (i + 1 == xValues_.size())
            return 1;
        // Differences in 64 bits: two 32-bit values can lie up to 2^32 apart.
        return static_cast<double>(std::int64_t{xValues_[i]} - firstX_) * perXSpan_;
    }
    double y(std::size_t i) const { return (yValues_[i] - yBottom_) * perYHeight_; }
    std::span<const std::int32_t> yValues() const { return yValues_; }

private:
    friend PlotFractions plotFractions(ChartData data, AxisRange range);
    std::vector<std::int32_t> xValues_;
    std::vector<std::int32_t> yValues_;
    std::int64_t firstX_ = 0;
    // Reciprocals, since a multiplication costs a fraction of a division;
    // the result may differ from the quotient in its last bit, far below
    // anything a device can show.
    double perXSpan_ = 0;
    double yBottom_ = 0;
    double perYHeight_ = 0;
};

// Takes the chart's values over. Fails when three or more points begin and
// end on the same x value: the span to divide by is zero.
PlotFractions plotFractions(ChartData data, AxisRange range);

}  // namespace chartdata
