// Arbitrary bytes as chart.dat, through the reading and every rule that
// works on what was read. A RuntimeError is the expected answer to bad
// input; anything else (a crash, undefined behaviour, a huge allocation) is
// a finding. The bytes are read one number at a time, and in bulk: whole
// records from the buffer, from a file through a small buffer whose edges
// then fall everywhere and through a large one, and with the run of numbers
// read ahead on a second thread; and twice, as the forms read a long file,
// the points handed on as they are read. All readings must agree.
#include "chartdata/axis_scale.h"
#include "chartdata/chart_file.h"
#include "chartdata/last_point.h"
#include "chartdata/plot_fractions.h"
#include "chartdata/series_points.h"
#include "runtime/text/plain_field.h"
#include "runtime/text/plain_scan.h"
#include "runtime/error/runtime_error.h"
#include "runtime/text/sequential_file.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>
#include <unistd.h>

namespace {

// The chart as every reading must give it: its texts, the lines its count
// and last point were read on, its tick captions and each point's
// fractions; or the error's text.
template <class Read>
std::string outcome(Read read)
{
    try {
        std::string fractions;
        const auto [chart, range] = read(fractions);
        chartdata::xTickLabelCaptions(chart.xTickCaptions);
        std::string text = chart.title + '\n' + chart.xAxisCaption + '\n' + chart.yAxisCaption + '\n' +
                           std::to_string(chart.countLine) + ',' + std::to_string(chart.lastPointLine) + '\n';
        for (const std::string& caption : chartdata::yTickLabelCaptions(range))
            text += caption + '\n';
        text += fractions;
        for (const std::string& caption : chart.xTickCaptions)
            text += caption + '\n';
        return text;
    } catch (const runtime::RuntimeError& error) {
        return error.what();
    }
}

std::string fraction(double x, double y) { return std::to_string(x) + ',' + std::to_string(y) + '\n'; }

// Read once, the points kept.
std::string outcome(runtime::SequentialFile&& file)
{
    return outcome([&](std::string& fractions) {
        const chartdata::ChartData chart = chartdata::readChartData(file);
        const chartdata::YRange range = chartdata::findYRange(chart.yValues);
        const auto kept = chartdata::plotFractions(chart, chartdata::axisRange(range));
        for (std::size_t i = 0; i < kept.size(); ++i)
            fractions += fraction(kept.x(i), kept.y(i));
        return std::pair(chart, range);
    });
}

// Read twice as the forms read a long file, the points handed on a few at a time.
std::string outcomeReadTwice()
{
    return outcome([](std::string& fractions) {
        runtime::SequentialFile file("chart.dat", {.readAheadBytes = 0, .aheadBlockBytes = 16});
        chartdata::ChartData chart;
        chartdata::readCaptionLines(file, chart);
        const chartdata::SeriesPoints points = chartdata::readSeries(file, chart, 0);
        file.close();
        chartdata::decodeTexts(file, chart);
        chartdata::checkFirstPoint(chart);
        const chartdata::PlotScale scale = chartdata::seriesScale(points, chart);
        points.forEach({7, [&](std::size_t first, auto xs, auto ys) {
                            for (std::size_t k = 0; k < xs.size(); ++k)
                                fractions += fraction(scale.x(first + k, xs[k]), scale.y(ys[k]));
                        }});
        return std::pair(chart, points.summary().yRange());
    });
}

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

// A folder of its own for the file copy of each input, removed at the end.
char folder[] = "/tmp/chart-reader-fuzz-XXXXXX";

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    if (!::mkdtemp(folder) || ::chdir(folder) != 0)
        std::abort();
    std::atexit([] {
        ::unlink("chart.dat");
        if (::chdir("/") == 0)
            ::rmdir(folder);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    scanAgreesFieldByField(bytes);
    // Only a guess, but on any bytes.
    static_cast<void>(chartdata::lastXOfTail(bytes.substr(size - std::min(size, chartdata::lastPointTailBytes))));
    using runtime::ReadingOptions;
    using runtime::SequentialFile;
    constexpr std::size_t none = ReadingOptions::noReadAhead;
    const std::string fromMemory =
        outcome(SequentialFile("chart.dat", bytes, {.readAheadBytes = none, .numbers = runtime::NumberReading::OneByOne}));
    FILE* copy = std::fopen("chart.dat", "wb");
    if (!copy || std::fwrite(data, 1, size, copy) != size || std::fclose(copy) != 0)
        std::abort();
    // Read ahead from the smallest run of numbers on, in blocks small
    // enough that their starts fall anywhere, and in blocks of more fields
    // than a few thousand, reused.
    const std::pair<const char*, std::string> others[] = {
        {"whole, numbers in bulk", outcome(SequentialFile("chart.dat", bytes, {.readAheadBytes = none}))},
        {"in pieces, numbers ahead", outcome(SequentialFile("chart.dat", {.windowBytes = 64, .readAheadBytes = 0, .aheadBlockBytes = 16}))},
        {"at once, numbers ahead", outcome(SequentialFile("chart.dat", {.readAheadBytes = 0, .aheadBlockBytes = 7}))},
        {"whole, numbers ahead", outcome(SequentialFile("chart.dat", bytes, {.readAheadBytes = 0, .aheadBlockBytes = 65536}))},
        {"twice, the points handed on", outcomeReadTwice()}};
    for (const auto& [how, other] : others) {
        if (other != fromMemory) {
            std::fprintf(stderr, "read whole, one number at a time:\n%s\nread %s:\n%s\n", fromMemory.c_str(), how,
                         other.c_str());
            std::abort();
        }
    }
    return 0;
}
