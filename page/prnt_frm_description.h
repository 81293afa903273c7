#pragma once

#include "runtime/forms/form_description.h"

// The printed page as data.
extern const runtime::FormDescription prntFrmDescription;

// Where the page's load draws the chart, in the page's twips: the rectangle
// that the chart box takes on the window, with the same grid.
struct PagePlotArea {
    double left, top, width, height;
    double gridPitch;   // the grid lines stand this far apart, from the bottom up
    int gridLines;
    double gridLength;  // the lines end this short of the right edge: 15 twips
};
inline constexpr PagePlotArea pagePlotArea{960, 720, 7455, 4815, 600, 7, 7440};
