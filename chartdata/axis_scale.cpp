#include "chartdata/axis_scale.h"

#include "runtime/text/number_format.h"

namespace chartdata {
namespace {

// Each sixth is worked out as the quotient k/6 before it is scaled, and each
// value from yMin or yMax directly, so that no error builds up label to label.
double sixths(int k, double span) { return (static_cast<double>(k) / 6.0) * span; }

// The bounds as the label rules take them, in double precision, where the
// span of two 32-bit values cannot overflow.
struct Bounds {
    double yMin, yMax, span;
};
Bounds bounds(YRange range)
{
    const double yMin = range.yMin, yMax = range.yMax;
    return {yMin, yMax, yMax - yMin};
}

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
    auto [yMin, yMax] = from;
    for (const std::int32_t y : yValues) {
        if (y > yMax)
            yMax = y;
        if (y < yMin)
            yMin = y;
    }
    return {yMin, yMax};
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
    const auto [yMin, yMax, span] = bounds(range);
    if (range.flat()) {
        labels[4] = tickCaption(yMin);
        return labels;
    }
    labels[0] = tickCaption(yMin - sixths(1, span));
    labels[1] = tickCaption(yMin);
    for (int k = 1; k <= 5; ++k)
        labels[static_cast<std::size_t>(k + 1)] = tickCaption(yMin + sixths(k, span));
    labels[7] = tickCaption(yMax);
    labels[8] = tickCaption(yMax + sixths(1, span));
    return labels;
}

AxisRange axisRange(YRange range)
{
    const auto [yMin, yMax, span] = bounds(range);
    if (range.flat())
        return {yMin - 20, yMax + 20};
    return {yMin - sixths(1, span), yMax + sixths(1, span)};
}

}  // namespace chartdata
