#pragma once

#include "chartdata/axis_scale.h"
#include "chartdata/chart_data.h"
#include "chartdata/chart_file.h"
#include "chartdata/plot_scale.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <span>

namespace chartdata {

// What a pass over the points finds: all that the scale, the checks and the
// screen reader's description need of them.
struct SeriesSummary {
    std::size_t count = 0;
    std::int32_t firstX = 0;
    std::int32_t lastX = 0;
    std::int32_t lowest = std::numeric_limits<std::int32_t>::max();
    std::int32_t highest = std::numeric_limits<std::int32_t>::min();
    YRange yRange;
    // Sums over the values in order, so that a file rewritten with other
    // values of the same size tells itself apart.
    std::uint64_t sum = 0;
    std::uint64_t sumOfSums = 0;

    void add(std::span<const std::int32_t> xs, std::span<const std::int32_t> ys);
    bool operator==(const SeriesSummary&) const = default;
};

// How many points the passes hand on at a time.
inline constexpr std::size_t pointsAtATime = std::size_t{1} << 15;

// The points of a chart in order, for drawing: never kept, so that memory
// stays the same however long the series, but read again from the file,
// which the reading closed. The second pass is checked against the first:
// a file that reads otherwise up to its eighth caption fails with "changed
// while it was being read", never giving points of two files; what follows
// the eighth caption is not read, so a file that only grew still reads.
class SeriesPoints {
public:
    const SeriesSummary& summary() const { return summary_; }
    // Hands every point on, in order, `take.rows` at a time.
    void forEach(const PointStream& take) const;

private:
    friend SeriesPoints readChart(runtime::SequentialFile& file, ChartData& data,
                                  const std::function<void()>& captionLinesRead, const TakePoints& alongside);
    struct Rereading;  // the first reading's texts and lines, and how it read
    SeriesSummary summary_;
    std::shared_ptr<const Rereading> again_;
};

// The whole reading of a chart file, as the forms do it: the caption lines;
// the count, the points and the eight captions; the close; the texts made
// UTF-8; the first point checked. The points go to the result, not to data.
// `captionLinesRead`, when given, runs once the texts are decoded, also when
// the reading fails after the caption lines, which a form shows either way.
// This first pass hands each batch of points to `alongside`, when given, as
// it is read.
SeriesPoints readChart(runtime::SequentialFile& file, ChartData& data,
                       const std::function<void()>& captionLinesRead = {}, const TakePoints& alongside = {});

// The scale of the series found by the first pass; fails as plotScale does.
PlotScale seriesScale(const SeriesPoints& points, const ChartData& data);

}  // namespace chartdata
