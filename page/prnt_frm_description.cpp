#include "page/prnt_frm_description.h"

namespace {

using namespace runtime;
using enum runtime::ControlKind;

constexpr FontSpec titleFont{Face::Serif, 15.75, false};
constexpr OtherSettings transparent{.transparent = true};
// A white back colour has no effect on a transparent label; kept as designed.
constexpr OtherSettings whiteTransparent{.backColour = Colour::fromRgb(0xFFFFFF), .transparent = true};

// In creation order. Every label is transparent: the page's back colour shows behind all captions.
constexpr runtime::ControlDescription controls[] = {
    // name          kind    left  top   width height caption         alignment      font         tab other
    {"customLogo",   Image,  3000, 6480, 3975,  615, {},              Align::Left,   defaultFont, -1},
    {"lblY5",        Label,   240, 3000,  615,  375, "X5",            Align::Right,  defaultFont, 19, transparent},
    {"lblYAxis",     Label,  3720, 6000, 2535,  255, "X-Axis Label",  Align::Centre, boldFont,    18, whiteTransparent},
    {"lblTitle",     Label,   480,  120, 8895,  495, "Chart Title",   Align::Centre, titleFont,   17, whiteTransparent},
    {"lblY9",        Label,   240,  600,  615,  375, "X1",            Align::Right,  defaultFont, 16, whiteTransparent},
    {"lblY8",        Label,   120, 1200,  735,  375, "X2",            Align::Right,  defaultFont, 15, whiteTransparent},
    {"lblY7",        Label,   360, 1800,  495,  375, "X3",            Align::Right,  defaultFont, 14, whiteTransparent},
    {"lblY6",        Label,   240, 2400,  615,  375, "X4",            Align::Right,  defaultFont, 13, transparent},
    {"lblY4",        Label,   240, 3600,  615,  375, "X6",            Align::Right,  defaultFont, 12, whiteTransparent},
    {"lblY3",        Label,   360, 4200,  495,  375, "X7",            Align::Right,  defaultFont, 11, whiteTransparent},
    {"lblY2",        Label,   240, 4800,  615,  375, "X8",            Align::Right,  defaultFont, 10, whiteTransparent},
    {"lblY1",        Label,   240, 5400,  615,  375, "X9",            Align::Right,  defaultFont,  9, whiteTransparent},
    {"lblX1",        Label,   240, 5640, 1215,  255, "Y1",            Align::Centre, defaultFont,  8, whiteTransparent},
    {"lblX2",        Label,  1560, 5640,  975,  255, "Y2",            Align::Centre, defaultFont,  7, whiteTransparent},
    {"lblX3",        Label,  2640, 5640,  975,  255, "Y3",            Align::Centre, defaultFont,  6, whiteTransparent},
    {"lblX4",        Label,  3840, 5640,  975,  255, "Y4",            Align::Centre, defaultFont,  5, whiteTransparent},
    {"lblX5",        Label,  4920, 5640,  855,  255, "Y5",            Align::Centre, defaultFont,  4, whiteTransparent},
    {"lblX6",        Label,  5880, 5640,  975,  255, "Y6",            Align::Centre, defaultFont,  3, whiteTransparent},
    {"lblX7",        Label,  6960, 5640,  855,  255, "Y7",            Align::Centre, defaultFont,  2, whiteTransparent},
    {"lblX8",        Label,  8040, 5640,  975,  255, "Y8",            Align::Centre, defaultFont,  1, whiteTransparent},
    {"lblXAxis",     Label,     0, 2640,  855,  495, "x-Axis Label",  Align::Left,   boldFont,     0, transparent},
};

}  // namespace

const runtime::FormDescription prntFrmDescription{
    .name = "prntFrm",
    .caption = "",
    .clientWidth = 9600,
    .clientHeight = 7200,
    .backColour = Colour::system(runtime::SystemColour::WindowBackground),
    .icon = {},
    .controls = controls,
};
