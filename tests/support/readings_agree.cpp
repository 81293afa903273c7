#include "tests/support/readings_agree.h"

#include "chartdata/axis_scale.h"
#include "chartdata/chart_file.h"
#include "chartdata/last_point.h"
#include "chartdata/series_points.h"
#include "runtime/error/runtime_error.h"
#include "runtime/text/plain_field.h"
#include "runtime/text/plain_scan.h"
#include "runtime/text/sequential_file.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {
namespace {

std::string fraction(double x, double y) { return std::to_string(x) + ',' + std::to_string(y) + '\n'; }

// The chart as every reading must give it: its texts, the lines its count
// and last point were read on, its tick captions and each point's
// fractions; or the error's text. `each` hands the points on.
template <class Each>
std::string described(const chartdata::ChartData& chart, const chartdata::SeriesSummary& found, Each each)
{
    const chartdata::PlotScale scale = chartdata::plotScale(
        found.count, found.firstX, found.lastX, chartdata::axisRange(found.yRange), chart.source, chart.lastPointLine);
    std::string text = chart.title + '\n' + chart.xAxisCaption + '\n' + chart.yAxisCaption + '\n' +
                       std::to_string(chart.countLine) + ',' + std::to_string(chart.lastPointLine) + '\n';
    for (const std::string& caption : chartdata::yTickLabelCaptions(found.yRange))
        text += caption + '\n';
    each([&](std::size_t first, auto xs, auto ys) {
        for (std::size_t k = 0; k < xs.size(); ++k)
            text += fraction(scale.x(first + k, xs[k]), scale.y(ys[k]));
    });
    for (const std::string& caption : chart.xTickCaptions)
        text += caption + '\n';
    static_cast<void>(chartdata::xTickLabelCaptions(chart.xTickCaptions));  // a rule, on any bytes
    return text;
}

// Read as the forms read, the points handed on `rows` at a time; with no
// rows, read once, the points kept.
std::string outcome(runtime::SequentialFile&& file, std::size_t rows = chartdata::pointsAtATime)
{
    try {
        chartdata::ChartData chart;
        if (rows == 0) {
            chart = readChartData(file);
            chartdata::SeriesSummary found;
            found.add(chart.xValues, chart.yValues);
            return described(chart, found, [&](auto take) { take(0, std::span(chart.xValues), std::span(chart.yValues)); });
        }
        const chartdata::SeriesPoints points = chartdata::readChart(file, chart);
        return described(chart, points.summary(), [&](auto take) { points.forEach({rows, take}); });
    } catch (const runtime::RuntimeError& error) {
        return error.what();
    }
}

std::string keptOutcome(runtime::SequentialFile&& file) { return outcome(std::move(file), 0); }

// The plain fields from the start and from the fifth line on (where a
// chart's points begin), scanned many at a time, either way the processor
// allows, must be those plainField finds one at a time, however the scan is
// cut short.
void scanAgreesFieldByField(std::string_view bytes)
{
    std::string text(bytes);
    text.append(runtime::zerosAfterText, '\0');
    const std::size_t size = bytes.size();
    const std::size_t room = size / 2 + 2;
    std::size_t points = 0;
    for (int line = 0; line < 4 && points < size; ++line)
        points = std::min(bytes.find('\n', points), size - 1) + 1;
    struct Cut {
        std::size_t start, limit, most, firstBit;
    };
    for (const Cut cut : {Cut{0, size, room, 0}, Cut{0, size / 2, 5, 61}, Cut{points, size, room, 61},
                          Cut{points, (points + size) / 2, room, 0}, Cut{points, size, 5, 0}}) {
        std::vector<std::int32_t> expected(room);
        std::vector<std::uint64_t> expectedEnds(room / 64 + 3);
        std::size_t k = 0, p = cut.start;
        for (; k < cut.most && p < cut.limit; ++k) {
            const runtime::PlainField field = runtime::plainField(text.data() + p, size - p);
            if (field.length == 0)
                break;
            expected[k] = field.value;
            expectedEnds[(cut.firstBit + k) / 64] |= std::uint64_t{field.endsLine} << (cut.firstBit + k) % 64;
            p += field.length;
        }
        for (const auto scan : {runtime::scanPlainFieldsNarrow, runtime::scanPlainFieldsWide}) {
            if (scan == runtime::scanPlainFieldsWide && !runtime::hasWideScan())
                continue;
            std::vector<std::int32_t> values(room);
            std::vector<std::uint64_t> ends(expectedEnds.size());
            const runtime::ScannedFields got =
                scan(text.data(), cut.start, cut.limit, size, values.data(), ends.data(), cut.firstBit, cut.most);
            if (got.count != k || got.end != p || values != expected || ends != expectedEnds) {
                std::fprintf(stderr, "scan: %zu fields to %zu, one at a time: %zu to %zu\n", got.count, got.end, k, p);
                std::abort();
            }
        }
    }
}

}  // namespace

chartdata::ChartData readChartData(runtime::SequentialFile& file)
{
    chartdata::ChartData data;
    chartdata::readCaptionLines(file, data);
    chartdata::readPointsAndTickCaptions(file, data);
    file.close();
    chartdata::decodeTexts(file, data);
    chartdata::checkFirstPoint(data);
    return data;
}

void expectReadingsAgree(std::string_view bytes)
{
    scanAgreesFieldByField(bytes);
    // Only a guess, but on any bytes.
    static_cast<void>(chartdata::lastXOfTail(bytes.substr(bytes.size() - std::min(bytes.size(), chartdata::lastPointTailBytes))));
    using runtime::ReadingOptions;
    using runtime::SequentialFile;
    constexpr std::size_t none = ReadingOptions::noHelper;
    const std::string fromMemory =
        keptOutcome(SequentialFile("chart.dat", bytes, {.helperFrom = none, .numbers = runtime::NumberReading::OneByOne}));
    FILE* copy = std::fopen("chart.dat", "wb");
    if (!copy || std::fwrite(bytes.data(), 1, bytes.size(), copy) != bytes.size() || std::fclose(copy) != 0)
        std::abort();
    // Read ahead from the smallest run of numbers on, in blocks small
    // enough that their starts fall anywhere, and in blocks of more fields
    // than a few thousand, reused.
    const std::pair<const char*, std::string> others[] = {
        {"whole, scanned on one thread", keptOutcome(SequentialFile("chart.dat", bytes, {.helperFrom = none}))},
        {"in pieces, numbers ahead", outcome(SequentialFile("chart.dat", {.windowBytes = 64, .helperFrom = 0, .aheadBlockBytes = 16}))},
        {"at once, numbers ahead", outcome(SequentialFile("chart.dat", {.helperFrom = 0, .aheadBlockBytes = 7}))},
        {"whole, numbers ahead", keptOutcome(SequentialFile("chart.dat", bytes, {.helperFrom = 0, .aheadBlockBytes = 65536}))},
        {"twice, the points handed on",
         outcome(SequentialFile("chart.dat", {.helperFrom = 0, .aheadBlockBytes = 16}), 7)}};
    for (const auto& [how, other] : others) {
        if (other != fromMemory) {
            std::fprintf(stderr, "read whole, one number at a time:\n%s\nread %s:\n%s\n", fromMemory.c_str(), how,
                         other.c_str());
            std::abort();
        }
    }
}

}  // namespace testsupport
