#include "app/frm_chart_description.h"

#include "chartview/plot_area.h"

#include "app/icons/chart_viewer_16.xpm"
#include "app/icons/chart_viewer_32.xpm"

namespace {

using namespace runtime;
using enum runtime::ControlKind;

constexpr FontSpec titleFont{Face::Serif, 15.75, false};
constexpr OtherSettings transparent{.transparent = true};
constexpr OtherSettings inChartBox{.container = "theChartBox"};
constexpr OtherSettings chartBox{.backColour = Colour::fromRgb(0x008080), .persistentDrawing = true};
// The chart box and its grid stand where the page plots the chart.
constexpr int boxLeft = plotArea.left, boxTop = plotArea.top, boxWidth = plotArea.width, boxHeight = plotArea.height;
constexpr int gridEnd = plotArea.gridLength;
constexpr int grid(int k) { return plotArea.gridY(k); }

// In creation order. Lines: X1, Y1, X2, Y2 in the box's own twips.
constexpr runtime::ControlDescription controls[] = {
    // name           kind                left       top      width      height  caption          alignment       font          tab  other
    {"theChartBox",   PictureBox,      boxLeft,   boxTop,  boxWidth,  boxHeight, {},              Align::Left,    defaultFont,    2, chartBox},
    {"Line8",         Line,                  0,  grid(7),   gridEnd,    grid(7), {},              Align::Left,    defaultFont,   -1, inChartBox},
    {"Line7",         Line,                  0,  grid(6),   gridEnd,    grid(6), {},              Align::Left,    defaultFont,   -1, inChartBox},
    {"Line6",         Line,                  0,  grid(5),   gridEnd,    grid(5), {},              Align::Left,    defaultFont,   -1, inChartBox},
    {"Line4",         Line,                  0,  grid(4),   gridEnd,    grid(4), {},              Align::Left,    defaultFont,   -1, inChartBox},
    {"Line3",         Line,                  0,  grid(3),   gridEnd,    grid(3), {},              Align::Left,    defaultFont,   -1, inChartBox},
    {"Line2",         Line,                  0,  grid(2),   gridEnd,    grid(2), {},              Align::Left,    defaultFont,   -1, inChartBox},
    {"Line1",         Line,                  0,  grid(1),   gridEnd,    grid(1), {},              Align::Left,    defaultFont,   -1, inChartBox},
    {"btnExit",       CommandButton,      8520,     3000,       855,        375, "Exit",          Align::Left,    defaultFont,    1},
    {"btnPrint",      CommandButton,      8520,     1920,       855,        375, "Print",         Align::Left,    defaultFont,    0},
    {"lblY5",         Label,               240,     3000,       615,        375, "X5",            Align::Right,   defaultFont,   10, transparent},
    {"lblYAxis",      Label,                 0,     2640,       975,        495, "y-Axis Label",  Align::Left,    boldFont,       5, transparent},
    {"lblX8",         Label,              8040,     5640,       975,        255, "Y8",            Align::Centre,  defaultFont,   22},
    {"lblX7",         Label,              6960,     5640,       855,        255, "Y7",            Align::Centre,  defaultFont,   21},
    {"lblX6",         Label,              5880,     5640,       975,        255, "Y6",            Align::Centre,  defaultFont,   20},
    {"lblX5",         Label,              4920,     5640,       855,        255, "Y5",            Align::Centre,  defaultFont,   19},
    {"lblX4",         Label,              3840,     5640,       975,        255, "Y4",            Align::Centre,  defaultFont,   18},
    {"lblX3",         Label,              2640,     5640,       975,        255, "Y3",            Align::Centre,  defaultFont,   17},
    {"lblX2",         Label,              1560,     5640,       975,        255, "Y2",            Align::Centre,  defaultFont,   16},
    {"lblX1",         Label,               240,     5640,      1215,        255, "Y1",            Align::Centre,  defaultFont,   15},
    {"lblY1",         Label,               240,     5400,       615,        375, "X9",            Align::Right,   defaultFont,   14},
    {"lblY2",         Label,               240,     4800,       615,        375, "X8",            Align::Right,   defaultFont,   13},
    {"lblY3",         Label,               360,     4200,       495,        375, "X7",            Align::Right,   defaultFont,   12},
    {"lblY4",         Label,               240,     3600,       615,        375, "X6",            Align::Right,   defaultFont,   11},
    {"lblY6",         Label,               240,     2400,       615,        375, "X4",            Align::Right,   defaultFont,    9, transparent},
    {"lblY7",         Label,               360,     1800,       495,        375, "X3",            Align::Right,   defaultFont,    8},
    {"lblY8",         Label,               120,     1200,       735,        375, "X2",            Align::Right,   defaultFont,    7},
    {"lblY9",         Label,               240,      600,       615,        375, "X1",            Align::Right,   defaultFont,    6},
    {"lblXAxis",      Label,              4080,     6000,      1815,        255, "X-Axis Label",  Align::Centre,  boldFont,       4},
    {"lblTitle",      Label,               960,      120,      7455,        615, "Chart Title",   Align::Centre,  titleFont,      3},
};

}  // namespace

const runtime::FormDescription frmChartDescription{
    .name = "frmChart",
    .caption = "Chart Viewer",
    .clientWidth = 9480,
    .clientHeight = 6285,
    .backColour = Colour::system(runtime::SystemColour::ButtonFace),
    .icon = {chart_viewer_32_xpm, chart_viewer_16_xpm},
    .controls = controls,
};
