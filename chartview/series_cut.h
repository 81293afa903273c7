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

// The series cut as the drawing cuts a stroke, per sliver of x: each run of
// consecutive points within one sliver to what runtime::reduction::RunKept
// keeps of it. The first of equals counts, and y is compared as read, the
// highest value standing lowest on the canvas, whose y runs down: every
// vertical scale keeps the order of the values, so the cut is the same
// whichever scale follows.
class SeriesCut {
public:
    // Only the scale's x fractions are used.
    SeriesCut(PlotPlacement area, const chartdata::PlotScale& scale) : area_(area), scale_(scale) {}
    // The points from the `first`th (0-based) on, following the last added.
    void add(std::size_t first, std::span<const std::int32_t> xs, std::span<const std::int32_t> ys);
    // The points kept, in order.
    std::vector<CutPoint> kept() &&;

private:
    struct Placed {
        CutPoint point;
        std::uint64_t at;
    };
    void begin(Placed start);
    // Where the run of the batch's points from `from` on leaves the sliver.
    std::size_t inSliver(std::size_t from, std::size_t count) const;
    // `count` points that follow the run's last, all within its sliver.
    void fold(const float* xs, const std::int32_t* ys, std::uint64_t at, std::size_t count);
    void close();

    PlotPlacement area_;
    chartdata::PlotScale scale_;
    bool open_ = false;
    runtime::reduction::Strip sliver_{};
    runtime::reduction::RunKept<Placed> run_{};
    std::vector<float> across_;  // the batch's x places
    std::vector<CutPoint> kept_;
};
