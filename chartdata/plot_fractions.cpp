#include "plot_fractions.h"

#include "runtime/runtime_error.h"

namespace chartdata {

PlotFractions plotFractions(ChartData data, AxisRange range)
{
    PlotFractions fractions;
    const std::size_t n = data.xValues.size();
    double span = 0;
    if (n > 0) {
        fractions.firstX_ = data.xValues.front();
        span = static_cast<double>(std::int64_t{data.xValues.back()} - fractions.firstX_);
    }
    if (n >= 3 && span == 0)
        throw runtime::RuntimeError("division by zero: the last x value equals the first ("
                                        + std::to_string(fractions.firstX_)
                                        + "), so the points cannot be spread across the plot",
                                    data.source, data.lastPointLine);
    // Two points on one x have no span; their fractions are 0 and 1 all the same.
    fractions.perXSpan_ = span != 0 ? 1 / span : 0;
    fractions.yBottom_ = range.yBottom;
    fractions.perYHeight_ = 1 / (range.yTop - range.yBottom);
    fractions.xValues_ = std::move(data.xValues);
    fractions.yValues_ = std::move(data.yValues);
    return fractions;
}

}  // namespace chartdata
