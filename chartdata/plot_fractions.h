#pragma once

#include "axis_scale.h"
#include "chart_data.h"

#include <vector>

namespace chartdata {

// Each point's place as fractions of the plot area: x from 0 (left edge) to
// 1 (right edge) by its distance from the first x value over the span from
// the first to the last; y from 0 (bottom, yBottom) to 1 (top, yTop). The
// first point is always at x 0 and, when there are two or more, the last at
// x 1. Points between may fall outside 0..1; they are kept as they are.
struct PlotFractions {
    std::vector<double> x;
    std::vector<double> y;
};

// Fails when three or more points begin and end on the same x value: the
// span to divide by is zero.
PlotFractions plotFractions(const ChartData& data, AxisRange range);

}  // namespace chartdata
