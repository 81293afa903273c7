// The scale rules: y range, tick captions (and so the number formatting
// they stand on, which nothing else uses) and axis range.
#include "chartdata/axis_scale.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

struct YScaleCase {
    const char* name;
    std::vector<std::int32_t> yValues;
    std::array<std::string, 9> labels;
    double yBottom;
    double yTop;
};

class YScale : public testing::TestWithParam<YScaleCase> {};

TEST_P(YScale, LabelsAndAxisRange)
{
    const auto& c = GetParam();
    const chartdata::YRange range = chartdata::findYRange(c.yValues);
    EXPECT_EQ(chartdata::yTickLabelCaptions(range), c.labels);
    const chartdata::AxisRange axis = chartdata::axisRange(range);
    EXPECT_NEAR(axis.yBottom, c.yBottom, 1e-9);
    EXPECT_NEAR(axis.yTop, c.yTop, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, YScale,
    testing::Values(
        YScaleCase{"Example", {120, 135, 128, 150, 162},
                   {" 113", " 120", " 127", " 134", " 141", " 148", " 155", " 162", " 169"}, 113, 169},
        YScaleCase{"Thirds", {3, 7, 5}, {" 2.3", " 3", " 3.7", " 4.3", " 5", " 5.7", " 6.3", " 7", " 7.7"},
                   3 - 4.0 / 6, 7 + 4.0 / 6},
        YScaleCase{"ZeroMinimum", {0, 30, 60}, {"-10", "0", " 10", " 20", " 30", " 40", " 50", " 60", " 70"}, -10, 70},
        // yMax never falls below its start value -1.
        YScaleCase{"AllNegative", {-8, -5}, {"-9.2", "-8", "-6.8", "-5.7", "-4.5", "-3.3", "-2.2", "-1", " .2"},
                   -8 - 7.0 / 6, -1 + 7.0 / 6},
        // yMin never rises above its start value 99999.
        YScaleCase{"AllAboveTheStart", {100000, 150000},
                   {" 91665.5", " 99999", " 108332.5", " 116666", " 124999.5", " 133333", " 141666.5", " 150000",
                    " 158333.5"},
                   91665.5, 158333.5},
        YScaleCase{"Flat", {5, 5, 5}, {"", "", "", "", " 5", "", "", "", ""}, -15, 25},
        YScaleCase{"FlatZero", {0, 0}, {"", "", "", "", "0", "", "", "", ""}, -20, 20},
        // A tick between that rounds to zero shows "0" rather than "." or "-.".
        YScaleCase{"TickRoundsToZero", {10, 70}, {"0", " 10", " 20", " 30", " 40", " 50", " 60", " 70", " 80"}, 0, 80},
        YScaleCase{"NegativeTickRoundsToZero", {-20, 10},
                   {"-25", "-20", "-15", "-10", "-5", "0", " 5", " 10", " 15"}, -25, 15},
        YScaleCase{"ExtremesOfThe32BitRange", {INT32_MIN, INT32_MAX},
                   {"-2863311530.5", "-2147483648", "-1431655765.5", "-715827883", "-.5", " 715827882",
                    " 1431655764.5", " 2147483647", " 2863311529.5"},
                   -2863311530.5, 2863311529.5}),
    [](const auto& info) { return std::string(info.param.name); });

// The search goes on from wherever it is given to start, the widest bounds
// that a search of the values' own extremes starts from included, over the
// whole 32-bit range.
TEST(YRange, FromAnyStartOverThe32BitRange)
{
    using chartdata::YRange;
    constexpr std::int32_t lowest = INT32_MIN, highest = INT32_MAX;
    const struct {
        YRange from;
        std::vector<std::int32_t> yValues;
        YRange found;
    } cases[] = {
        {{}, {}, {99999, -1}},
        {{}, {lowest}, {lowest, -1}},
        {{}, {highest}, {99999, highest}},
        {{highest, lowest}, {}, {highest, lowest}},
        {{highest, lowest}, {7}, {7, 7}},
        {{highest, lowest}, {highest, lowest}, {lowest, highest}},
        {{lowest, highest}, {0, lowest, highest}, {lowest, highest}},
        {{lowest, lowest}, {highest}, {lowest, highest}},
        {{highest, highest}, {lowest}, {lowest, highest}},
    };
    for (const auto& c : cases) {
        const YRange found = chartdata::findYRange(c.yValues, c.from);
        EXPECT_EQ(found, c.found) << "from " << c.from.yMin << ".." << c.from.yMax << ": " << found.yMin << ".."
                                  << found.yMax;
    }
}

TEST(XTickLabels, ARepeatOfTheCaptionBeforeIsLeftBlank)
{
    using Captions = std::array<std::string, 8>;
    EXPECT_EQ(chartdata::xTickLabelCaptions({"W1", "W1", "W2", "W3", "W4", "W5, late", "W6", "W7"}),
              (Captions{"W1", "", "W2", "W3", "W4", "W5, late", "W6", "W7"}));
    // Compared with the caption as read, not with what the label before shows.
    EXPECT_EQ(chartdata::xTickLabelCaptions({"A", "A", "A", "B", "A", "Q1", "q1", "Q1"}),
              (Captions{"A", "", "", "B", "A", "Q1", "q1", "Q1"}));
    EXPECT_EQ(chartdata::xTickLabelCaptions({"a", "a ", " a", "a", "", "", "x", "x"}),
              (Captions{"a", "a ", " a", "a", "", "", "x", ""}));
}

}  // namespace
