#include "chartdata/axis_scale.h"

#include "runtime/text/number_format.h"

namespace chartdata {
namespace {

// Each sixth is worked out as the quotient k/6 before it is scaled, and each
// value from yMin or yMax directly, so that no error builds up label to label.
double sixths(int k, double span) { return (static_cast<double>(k) / 6.0) * span; }

}  // namespace

std::array<std::string, 8> xTickLabelCaptions(const std::array<std::string, 8>& xTickCaptions)
{
    std::array<std::string, 8> labels;
    labels[0] = xTickCaptions[0];
    for (std::size_t k = 1; k < labels.size(); ++k)
        labels[k] = xTickCaptions[k] == xTickCaptions[k - 1] ? std::string() : xTickCaptions[k];
    return labels;
}

YRange findYRange(std::span<const std::int32_t> yValues, YRange from)
{
    // Whole numbers all the way: the bounds hold values of the file.
    auto yMax = static_cast<std::int32_t>(from.yMax);
    auto yMin = static_cast<std::int32_t>(from.yMin);
    for (const std::int32_t y : yValues) {
        if (y > yMax)
            yMax = y;
        if (y < yMin)
            yMin = y;
    }
    return {static_cast<double>(yMin), static_cast<double>(yMax)};
}

std::string tickCaption(double value)
{
    const std::string picture = runtime::formatNumber(value, "#####.#");
    // "." or "-." holds no number to read back: the value rounds to zero.
    if (picture.find_first_of("123456789") == std::string::npos)
        return "0";
    return runtime::plainNumberText(picture);
}

std::array<std::string, 9> yTickLabelCaptions(YRange range)
{
    std::array<std::string, 9> labels;
    if (range.flat()) {
        labels[4] = tickCaption(range.yMin);
        return labels;
    }
    const double span = range.yMax - range.yMin;
    labels[0] = tickCaption(range.yMin - sixths(1, span));
    labels[1] = tickCaption(range.yMin);
    for (int k = 1; k <= 5; ++k)
        labels[static_cast<std::size_t>(k + 1)] = tickCaption(range.yMin + sixths(k, span));
    labels[7] = tickCaption(range.yMax);
    labels[8] = tickCaption(range.yMax + sixths(1, span));
    return labels;
}

AxisRange axisRange(YRange range)
{
    if (range.flat())
        return {range.yMin - 20, range.yMax + 20};
    const double span = range.yMax - range.yMin;
    return {range.yMin - sixths(1, span), range.yMax + sixths(1, span)};
}

}  // namespace chartdata
