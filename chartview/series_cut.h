#pragma once

#include "chartdata/plot_scale.h"
#include "chartview/plot_area.h"
#include "runtime/drawing/point_reduction.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// A point of the series as drawn across (x, in twips) and as read up (its
// y value): the cut below needs no vertical scale, so a long series can be
// cut while it is read, before its y range is known.
struct CutPoint {
    float x;
    std::int32_t y;
};

// The series cut as a drawing is cut, per sliver of x (see
// runtime::reduction), with y compared as read: every vertical scale keeps
// the order of the values, and the cut keeps the lowest and the highest
// alike, so the cut is the same whichever scale follows.
class SeriesCut {
public:
    // Only the scale's x fractions are used.
    SeriesCut(PlotPlacement area, const chartdata::PlotScale& scale) : area_(area), scale_(scale) {}
    // The points from the `first`th (0-based) on, following the last added.
    void add(std::size_t first, std::span<const std::int32_t> xs, std::span<const std::int32_t> ys);
    // The points kept, in order.
    std::vector<CutPoint> kept() && { return std::move(cut_).kept(); }

private:
    PlotPlacement area_;
    chartdata::PlotScale scale_;
    runtime::reduction::StripCut<CutPoint> cut_;
    std::vector<float> across_;  // the batch's x places
};
