#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

// The rules that turn a chart's data into its tick captions and its vertical
// scale. Both the window and the printed page apply them.
namespace chartdata {

// The eight x tick labels: a caption equal to the one before it (as read,
// case and blanks included) is left blank.
std::array<std::string, 8> xTickLabelCaptions(const std::array<std::string, 8>& xTickCaptions);

// The y range, searched from the start values 99999 (yMin) and -1 (yMax),
// which take part like data: yMin is never above 99999 nor yMax below -1.
// The search may go on over further values from where it stood. The bounds
// are values of the file, so they are kept as such; the label rules work
// on them in double precision.
struct YRange {
    std::int32_t yMin = 99999;
    std::int32_t yMax = -1;
    bool flat() const { return yMin == yMax; }
    bool operator==(const YRange&) const = default;
};
YRange findYRange(std::span<const std::int32_t> yValues, YRange from = {});

// The nine y tick labels, bottom (index 0) to top, evenly spaced a sixth of
// the span apart, from a sixth below yMin to a sixth above yMax. A flat
// series shows only the middle label.
std::array<std::string, 9> yTickLabelCaptions(YRange range);

// The axis values at the bottom and top edges of the plot area.
struct AxisRange {
    double yBottom;
    double yTop;
};
AxisRange axisRange(YRange range);

// A y tick value as a label shows it: rounded to one decimal place, led by a
// blank or "-", without a trailing point or a leading zero; "0" when it
// rounds to zero.
std::string tickCaption(double value);

}  // namespace chartdata
