#pragma once

#include "chartdata/plot_fractions.h"
#include "chartdata/series_points.h"

namespace runtime {
class Canvas;
}

// Where the plot area lies on a canvas, in twips.
struct PlotPlacement {
    double left;
    double top;
    double width;
    double height;
};

// The series as both forms draw it: n - 1 segments, 3 pixels wide, in RGB
// (200, 10, 10), point i at x = left + width * its x fraction and y = top +
// (height - height * its y fraction), worked out in double precision and
// rounded to single precision. The drawing width is 1 again afterwards. The
// lines reach the canvas together once the last point is read, so a series
// whose second reading fails leaves none of itself.
void drawSeries(runtime::Canvas& canvas, PlotPlacement area, const chartdata::SeriesPoints& points,
                const chartdata::PlotScale& scale);
