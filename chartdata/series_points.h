#pragma once

#include "chartdata/axis_scale.h"
#include "chartdata/chart_data.h"
#include "chartdata/chart_file.h"
#include "chartdata/plot_fractions.h"

#include "runtime/text/regular_file.h"
#include "runtime/text/sequential_file.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

namespace chartdata {

// What a pass over the points finds: all that the scale, the checks and the
// screen reader's description need of them.
struct SeriesSummary {
    std::size_t count = 0;
    std::int32_t firstX = 0;
    std::int32_t lastX = 0;
    std::int32_t lowest = std::numeric_limits<std::int32_t>::max();
    std::int32_t highest = std::numeric_limits<std::int32_t>::min();
    // Sums over the values in order, so that a file rewritten with other
    // values of the same size tells itself apart.
    std::uint64_t sum = 0;
    std::uint64_t sumOfSums = 0;

    void add(std::span<const std::int32_t> xs, std::span<const std::int32_t> ys);
    // The y range as findYRange finds it, from its start values 99999 and -1.
    YRange yRange() const
    {
        return {static_cast<double>(std::min(lowest, 99999)), static_cast<double>(std::max(highest, -1))};
    }
    bool operator==(const SeriesSummary&) const = default;
};

// Files from this size on are read twice, the points handed on as they are
// read and never kept, so that memory stays the same however long the
// series; smaller ones keep their points from the one reading, which is the
// faster for them.
inline constexpr std::size_t readTwiceFrom = std::size_t{32} << 20;
// How many points the passes hand on at a time.
inline constexpr std::size_t pointsAtATime = std::size_t{1} << 15;

// The points of a chart in order, for drawing: kept from the reading, or
// read again from the file. The second pass is checked against the first: a
// file changed in between (other bytes, size, time or file) fails with
// "changed while it was being read", never giving points of two files.
class SeriesPoints {
public:
    using Take = PointStream;
    std::size_t size() const { return summary_.count; }
    const SeriesSummary& summary() const { return summary_; }
    // Hands every point on, in order, `take.rows` at a time or all at once.
    void forEach(const Take& take) const;

private:
    friend SeriesPoints readSeries(runtime::SequentialFile& file, ChartData& data, std::size_t twiceFrom,
                                   const TakePoints& alongside);
    SeriesSummary summary_;
    bool again_ = false;
    ChartData first_;  // the first reading: the texts, lines and kept points
    runtime::FileIdentity identity_;
    runtime::ReadingOptions options_;  // the second pass reads as the first
};

// The first pass, after the caption lines: the count, the points and the
// eight captions, as readPointsAndTickCaptions reads them; the points go to
// the result, not to data. A file of `twiceFrom` bytes or more is read
// twice; its first pass also hands each batch of points to `alongside`,
// when given, as it is read.
SeriesPoints readSeries(runtime::SequentialFile& file, ChartData& data, std::size_t twiceFrom = readTwiceFrom,
                        const TakePoints& alongside = {});

// The scale of the series found by the first pass; fails as plotScale does.
PlotScale seriesScale(const SeriesPoints& points, const ChartData& data);

}  // namespace chartdata
