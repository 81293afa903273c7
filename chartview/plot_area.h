#pragma once

#include "chartdata/plot_scale.h"

// Where the chart is plotted, in twips, the same on both forms: the window's
// chart box stands there, and the page draws a frame there. Seven grid lines
// cross it from the top down, and end this short of its right edge: 15 twips.
struct PlotArea {
    int left, top, width, height;
    int gridPitch;
    int gridLines;
    int gridLength;
    // Line k (1 to gridLines) from the top, in the area's own twips.
    constexpr int gridY(int k) const { return gridPitch * k; }
};
inline constexpr PlotArea plotArea{960, 720, 7455, 4815, 600, 7, 7440};

using PlotPlacement = chartdata::PlotPlacement;
