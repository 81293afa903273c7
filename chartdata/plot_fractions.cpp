#include "plot_fractions.h"

#include "runtime/runtime_error.h"

#include <cstdint>

namespace chartdata {

PlotFractions plotFractions(const ChartData& data, AxisRange range)
{
    const std::size_t n = data.xValues.size();
    PlotFractions fractions;
    // Reserved, not resized: a long series should not be written twice.
    fractions.x.reserve(n);
    fractions.y.reserve(n);
    if (n == 0)
        return fractions;

    // Differences in 64 bits: two 32-bit values can lie up to 2^32 apart.
    const std::int64_t first = data.xValues.front();
    const auto span = static_cast<double>(std::int64_t{data.xValues.back()} - first);
    if (n >= 3 && span == 0)
        throw runtime::RuntimeError("division by zero: the last x value equals the first ("
                                        + std::to_string(first)
                                        + "), so the points cannot be spread across the plot",
                                    data.source, data.lastPointLine);
    const double height = range.yTop - range.yBottom;
    for (std::size_t i = 0; i < n; ++i) {
        if (i == 0)
            fractions.x.push_back(0);
        else if (i == n - 1)
            fractions.x.push_back(1);
        else
            fractions.x.push_back(static_cast<double>(std::int64_t{data.xValues[i]} - first) / span);
        fractions.y.push_back((data.yValues[i] - range.yBottom) / height);
    }
    return fractions;
}

}  // namespace chartdata
