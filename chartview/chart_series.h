#pragma once

#include "chartview/series_cut.h"

#include "chartdata/chart_data.h"
#include "chartdata/plot_scale.h"
#include "chartdata/series_points.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

namespace runtime {
class Canvas;
class SequentialFile;
}  // namespace runtime

// A chart's series once read: its points, kept or to be read again, their
// scale, and what the cut for its drawing kept when it was cut as it was read.
struct ChartSeries {
    chartdata::SeriesPoints points;
    chartdata::PlotScale scale;
    std::optional<std::vector<CutPoint>> cut;
};

// The chart read as readChart reads it; the scale is left to the caller. A
// file whose end tells its last x value is cut for `area` as it is read; the
// cut is kept only if the reading finds that same last x value, so that the
// second reading is needed only when the guess was wrong.
ChartSeries readSeriesCutting(runtime::SequentialFile& file, chartdata::ChartData& data, PlotPlacement area,
                              const std::function<void()>& captionLinesRead);

// What the drawing of the series keeps: the cut made while it was read,
// taken from the series, or one made now from a second reading.
std::vector<CutPoint> seriesCut(ChartSeries& series, PlotPlacement area);

// The series as both forms draw it: n - 1 segments, 3 pixels wide, in RGB
// (200, 10, 10), point i at x = left + width * its x fraction and y = top +
// (height - height * its y fraction), worked out in double precision and
// rounded to single precision. The drawing width is 1 again afterwards. The
// lines reach the canvas together once the last point is read, so a series
// whose second reading fails leaves none of itself.
void drawSeries(runtime::Canvas& canvas, PlotPlacement area, ChartSeries& series);
