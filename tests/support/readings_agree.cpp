#include "tests/support/readings_agree.h"

#include "chartdata/axis_scale.h"
#include "chartdata/last_point.h"
#include "chartdata/series_points.h"
#include "runtime/text/sequential_file.h"
#include "tests/support/reference_reading.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace testsupport {
namespace {

// A reading as text, to compare and to show: the error, the texts once the
// caption lines are read, and all the rest only when the chart reads.
std::string described(const ReferenceChart& chart)
{
    std::string text = chart.error + '\n';
    if (chart.linesRead)
        text += chart.title + '\n' + chart.xAxisCaption + '\n' + chart.yAxisCaption + '\n';
    if (!chart.error.empty())
        return text;
    text += std::to_string(chart.countLine) + ',' + std::to_string(chart.lastPointLine) + '\n';
    for (std::size_t i = 0; i < chart.xValues.size(); ++i)
        text += std::to_string(chart.xValues[i]) + ',' + std::to_string(chart.yValues[i]) + '\n';
    for (const std::string& caption : chart.xTickCaptions)
        text += caption + '\n';
    return text;
}

// The program's reading: the first pass's points, or with `rows` those of
// the second, handed on that many at a time. The summary of the points must
// be theirs, and the rules must hold on whatever was read.
ReferenceChart programReading(runtime::SequentialFile&& file, std::size_t rows = 0)
{
    ReferenceChart got;
    chartdata::ChartData data;
    const chartdata::TakePoints take = [&](std::size_t first, auto xs, auto ys) {
        if (first != got.xValues.size())
            std::abort();
        got.xValues.insert(got.xValues.end(), xs.begin(), xs.end());
        got.yValues.insert(got.yValues.end(), ys.begin(), ys.end());
    };
    try {
        const chartdata::SeriesPoints points = chartdata::readChart(file, data, [&] {
            got.linesRead = true;
            got.title = data.title, got.xAxisCaption = data.xAxisCaption, got.yAxisCaption = data.yAxisCaption;
        }, rows == 0 ? take : chartdata::TakePoints{});
        if (rows > 0)
            points.forEach({rows, take});
        got.countLine = data.countLine;
        got.lastPointLine = data.lastPointLine;
        got.xTickCaptions = data.xTickCaptions;
        const chartdata::SeriesSummary& found = points.summary();
        const auto [lowest, highest] = std::minmax_element(got.yValues.begin(), got.yValues.end());
        if (found.count != got.xValues.size() || found.firstX != got.xValues.front()
            || found.lastX != got.xValues.back() || found.lowest != *lowest || found.highest != *highest)
            std::abort();
        static_cast<void>(chartdata::yTickLabelCaptions(found.yRange));
        static_cast<void>(chartdata::xTickLabelCaptions(data.xTickCaptions));
        try {
            static_cast<void>(chartdata::seriesScale(points, data));
        } catch (const runtime::RuntimeError&) {
            // Two x values alike: the scale's to report, not the reading's.
        }
    } catch (const runtime::RuntimeError& error) {
        got.error = error.what();
    }
    return got;
}

}  // namespace

void expectReadingsAgree(std::string_view bytes)
{
    // Only a guess, but on any bytes.
    static_cast<void>(chartdata::lastXOfTail(bytes.substr(bytes.size() - std::min(bytes.size(), chartdata::lastPointTailBytes))));
    FILE* copy = std::fopen("chart.dat", "wb");
    if (!copy || std::fwrite(bytes.data(), 1, bytes.size(), copy) != bytes.size() || std::fclose(copy) != 0)
        std::abort();
    const std::string expected = described(referenceReading(bytes));
    const std::pair<const char*, std::string> readings[] = {
        {"from memory", described(programReading(runtime::SequentialFile("chart.dat", bytes)))},
        {"from the file, twice", described(programReading(runtime::SequentialFile("chart.dat"), 7))}};
    for (const auto& [how, got] : readings) {
        if (got != expected) {
            std::fprintf(stderr, "the reference reading:\n%s\nthe program's, %s:\n%s\n", expected.c_str(), how, got.c_str());
            std::abort();
        }
    }
}

}  // namespace testsupport
