// Where the plot puts each point: the x fractions, and the arithmetic from
// the y range to a point's place on the canvas.
#include "chartdata/axis_scale.h"
#include "chartdata/plot_scale.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

struct FractionCase {
    const char* name;
    std::vector<std::int32_t> x;
    std::vector<double> xFractions;
};

class XFractions : public testing::TestWithParam<FractionCase> {};

TEST_P(XFractions, SpreadFromTheFirstToTheLastX)
{
    const std::vector<std::int32_t>& x = GetParam().x;
    const auto scale = chartdata::plotScale(x.size(), x.front(), x.back(), {-20, 20}, "chart.dat", 1);
    ASSERT_EQ(x.size(), GetParam().xFractions.size());
    for (std::size_t i = 0; i < x.size(); ++i)
        EXPECT_DOUBLE_EQ(scale.x(i, x[i]), GetParam().xFractions[i]) << "point " << i + 1;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XFractions,
    testing::Values(FractionCase{"Example", {1, 2, 3, 4, 5}, {0, 0.25, 0.5, 0.75, 1}},
                    FractionCase{"OnePoint", {42}, {0}},
                    FractionCase{"TwoEqualPoints", {7, 7}, {0, 1}},
                    FractionCase{"Unsorted", {1, 10, 4}, {0, 3, 1}},
                    FractionCase{"BeforeTheFirst", {10, 0, 20}, {0, -1, 1}},
                    FractionCase{"WholeRange", {INT32_MIN, INT32_MAX, -1, INT32_MAX}, {0, 1, 0.5 - 0.5 / 4294967295.0, 1}}),
    [](const auto& info) { return std::string(info.param.name); });

// A product rounded to double on its own, as the chart's rules compute each
// step: volatile on the way in, so that it is not the very product of the
// code under test, and on the way out, so that no sum takes it unrounded.
double product(double a, double b)
{
    const volatile double x = a, y = b;
    const volatile double rounded = x * y;
    return rounded;
}

// The axis range, a point's fractions and its place on the canvas, for many
// random ranges, points and placements, exactly as worked out one rounding at
// a time. A compiler that fuses a*b+c where the processor can (arm64, s390x,
// ppc64el) moves many of them by a bit, and their pixels with them.
TEST(PlotArithmetic, EachProductRoundedOnItsOwn)
{
    std::mt19937_64 random(20240611);
    const auto value = [&] { return static_cast<std::int32_t>(random()); };
    const auto twips = [&] { return static_cast<double>(random() % 20000) + static_cast<double>(random() % 16) / 16; };
    int axisDiffers = 0, acrossDiffers = 0, downDiffers = 0;
    for (int i = 0; i < 100000; ++i) {
        const std::int32_t a = value(), b = value(), firstX = value(), lastX = value(), x = value(), y = value();
        const chartdata::YRange range = chartdata::findYRange(std::vector{a, b, y});
        const chartdata::AxisRange axis = chartdata::axisRange(range);
        const double span = static_cast<double>(range.yMax) - range.yMin;
        axisDiffers += axis.yBottom != range.yMin - product(1.0 / 6, span) || axis.yTop != range.yMax + product(1.0 / 6, span);

        const auto scale = chartdata::plotScale(3, firstX, lastX != firstX ? lastX : firstX ^ 1, axis, "chart.dat", 1);
        const chartdata::PlotPlacement area{twips(), twips(), twips() + 1, twips() + 1};
        acrossDiffers += area.across(scale.between(x)) != area.left + product(area.width, scale.between(x));
        downDiffers += area.down(scale.y(y)) != area.top + (area.height - product(area.height, scale.y(y)));
    }
    EXPECT_EQ(axisDiffers, 0) << "axis ranges of 100000";
    EXPECT_EQ(acrossDiffers, 0) << "places across of 100000";
    EXPECT_EQ(downDiffers, 0) << "places down of 100000";
}

}  // namespace
