// The series cut for drawing is the same whether the file is read twice or
// cut while it is first read (what the cut keeps is drawing_test.cpp's).
#include "chartview/chart_series.h"
#include "tests/support/reference_reading.h"
#include "tests/support/work_folder.h"

#include "runtime/error/runtime_error.h"
#include "runtime/text/sequential_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

// A narrow plot area, so that a few thousand points lie several to a sliver.
constexpr PlotPlacement area{100, 50, 500, 4000};

struct FileCase {
    const char* name;
    std::string chart;
    bool cutWhileRead;  // whether the file's end tells its last x value truly
};

// A random walk of n points, 3 apart across.
std::string walkChart(int n, const char* lineEnd, const std::string& after)
{
    std::mt19937 random(11);
    std::uniform_int_distribution<std::int32_t> step(-50, 50);
    std::string chart = std::string("Walk") + lineEnd + "X" + lineEnd + "Y" + lineEnd + std::to_string(n) + lineEnd;
    std::int32_t y = 0;
    for (int i = 0; i < n; ++i)
        chart += std::to_string(i * 3 + 1) + ", " + std::to_string(y += step(random)) + lineEnd;
    return chart + "A,B,C,D,E,F,G,H" + lineEnd + after;
}

class SeriesCutOfFile : public testing::TestWithParam<FileCase> {};

// Against the cut of the points kept from a plain reading.
TEST_P(SeriesCutOfFile, IsTheSameReadTwiceOrCutWhileRead)
{
    testsupport::WorkFolder folder;
    folder.write("chart.dat", GetParam().chart);
    const auto pairs = [](std::vector<CutPoint> cut) {
        std::vector<std::pair<float, std::int32_t>> kept;
        for (const CutPoint p : cut)
            kept.emplace_back(p.x, p.y);
        return kept;
    };
    const testsupport::ReferenceChart kept = testsupport::referenceReading(GetParam().chart);
    SeriesCut expected(area, chartdata::plotScale(kept.xValues.size(), kept.xValues.front(), kept.xValues.back(), {0, 1}, "", 0));
    expected.add(0, kept.xValues, kept.yValues);
    runtime::SequentialFile file("chart.dat");
    chartdata::ChartData data;
    ChartSeries series = readSeriesCutting(file, data, area, {});
    EXPECT_EQ(series.cut.has_value(), GetParam().cutWhileRead);
    series.scale = chartdata::seriesScale(series.points, data);
    EXPECT_EQ(pairs(seriesCut(series, area)), pairs(std::move(expected).kept()));
}

INSTANTIATE_TEST_SUITE_P(
    Files, SeriesCutOfFile,
    testing::Values(FileCase{"Example", testsupport::exampleChart, true},
                    FileCase{"RandomWalk", walkChart(5000, "\n", ""), true},
                    FileCase{"CrLfAndBlankLinesAtTheEnd", walkChart(5000, "\r\n", "\r\n\r\n"), true},
                    FileCase{"TextAfterTheCaptions", walkChart(5000, "\n", "not read\n"), false},
                    // Looks like a last point and its captions, but is not.
                    FileCase{"APointAfterTheCaptions", walkChart(5000, "\n", "7,8\nA,B,C,D,E,F,G,H\n"), false},
                    FileCase{"FieldsOnOneLine",
                             "T\nX\nY\n5,1,120,2,135,3,128,4,150,5,162,W1,W1,W2,W3,W4,\"W5, late\",W6,W7\n", false},
                    FileCase{"NumbersForCaptions", "T\nX\nY\n3\n1,5\n2,7\n3,6\n1,2,3,4,5,6,7,8\n", true},
                    FileCase{"TwoPointsOnOneX", "T\nX\nY\n2\n5,1\n5,2\nA,B,C,D,E,F,G,H\n", true}),
    [](const auto& info) { return std::string(info.param.name); });

// Three or more points that begin and end on one x cannot be spread: the
// reading fails alike whether the points are cut while read or read twice.
TEST(SeriesCutOfFile, FailsAlikeCutWhileReadOrReadTwice)
{
    testsupport::WorkFolder folder;
    const auto errorOf = [&](const std::string& after) -> std::string {
        folder.write("chart.dat", "T\nX\nY\n3\n5,1\n6,2\n5,3\nA,B,C,D,E,F,G,H\n" + after);
        runtime::SequentialFile file("chart.dat");
        chartdata::ChartData data;
        try {
            const ChartSeries series = readSeriesCutting(file, data, area, {});
            chartdata::seriesScale(series.points, data);
        } catch (const runtime::RuntimeError& error) {
            return error.what();
        }
        return "no error";
    };
    EXPECT_EQ(errorOf(""), "chart.dat, line 7: division by zero: the last x value equals the first (5), "
                           "so the points cannot be spread across the plot");
    EXPECT_EQ(errorOf("not read\n"), errorOf(""));
}

}  // namespace
