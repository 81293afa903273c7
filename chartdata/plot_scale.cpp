#include "chartdata/plot_scale.h"

#include "runtime/error/runtime_error.h"

namespace chartdata {

PlotScale plotScale(std::size_t count, std::int32_t firstX, std::int32_t lastX, AxisRange range,
                    const std::string& source, std::int64_t lastPointLine)
{
    PlotScale scale;
    scale.count_ = count;
    scale.firstX_ = firstX;
    const double span = count > 0 ? static_cast<double>(std::int64_t{lastX} - firstX) : 0;
    if (count >= 3 && span == 0)
        throw runtime::RuntimeError("division by zero: the last x value equals the first (" + std::to_string(firstX)
                                        + "), so the points cannot be spread across the plot",
                                    source, lastPointLine);
    // Two points on one x have no span; their fractions are 0 and 1 all the same.
    scale.perXSpan_ = span != 0 ? 1 / span : 0;
    scale.yBottom_ = range.yBottom;
    scale.perYHeight_ = 1 / (range.yTop - range.yBottom);
    return scale;
}

}  // namespace chartdata
