#pragma once

#include "chartdata/axis_scale.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace chartdata {

// Each point's place as fractions of the plot area: x from 0 (left edge) to
// 1 (right edge) by its distance from the first x value over the span from
// the first to the last; y from 0 (bottom, yBottom) to 1 (top, yTop). The
// first point is always at x 0 and, when there are two or more, the last at
// x 1. Points between may fall outside 0..1; they are kept as they are.
class PlotScale {
public:
    // The fractions of point i (0-based), whose values are x and y.
    double x(std::size_t i, std::int32_t x) const { return i == 0 ? 0 : i + 1 == count_ ? 1 : between(x); }
    // The x fraction of a point that is neither the first nor the last.
    double between(std::int32_t x) const
    {
        // Differences in 64 bits: two 32-bit values can lie up to 2^32 apart.
        return static_cast<double>(std::int64_t{x} - firstX_) * perXSpan_;
    }
    double y(std::int32_t y) const { return (y - yBottom_) * perYHeight_; }

private:
    friend PlotScale plotScale(std::size_t count, std::int32_t firstX, std::int32_t lastX, AxisRange range,
                               const std::string& source, std::int64_t lastPointLine);
    std::size_t count_ = 0;
    std::int64_t firstX_ = 0;
    // Reciprocals, since a multiplication costs a fraction of a division;
    // the result may differ from the quotient in its last bit, far below
    // anything a device can show.
    double perXSpan_ = 0;
    double yBottom_ = 0;
    double perYHeight_ = 0;
};

// Where a series is drawn, in its canvas's twips, and where a point's
// fractions put it there: y fractions count up from the bottom edge.
struct PlotPlacement {
    double left, top, width, height;
    double across(double xFraction) const { return left + width * xFraction; }
    double down(double yFraction) const { return top + (height - height * yFraction); }
};

// The scale of `count` points from the first and last x value. Fails when
// three or more points begin and end on the same x value: the span to
// divide by is zero.
PlotScale plotScale(std::size_t count, std::int32_t firstX, std::int32_t lastX, AxisRange range,
                    const std::string& source, std::int64_t lastPointLine);

}  // namespace chartdata
