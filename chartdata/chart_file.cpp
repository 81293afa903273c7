#include "chartdata/chart_file.h"

#include "runtime/error/runtime_error.h"
#include "runtime/text/sequential_file.h"

#include <algorithm>

namespace chartdata {

void readCaptionLines(runtime::SequentialFile& file, ChartData& data)
{
    data.source = file.name();
    data.title = file.readLine({"the chart title (line 1)"});
    data.xAxisCaption = file.readLine({"the x-axis caption (line 2)"});
    data.yAxisCaption = file.readLine({"the y-axis caption (line 3)"});
}

void readPointsAndTickCaptions(runtime::SequentialFile& file, ChartData& data, const PointStream* stream)
{
    const runtime::Reading count{"the count of points"};
    data.pointCount = file.readInt32(count);
    data.countLine = file.fieldLine();
    if (data.pointCount < 0) {
        file.close();
        throw runtime::RuntimeError("the count of points is " + std::to_string(data.pointCount)
                                        + "; it must not be negative",
                                    data.source, data.countLine);
    }

    // The count is not to be trusted: reserve no more than the rest of the
    // file could hold (a pair takes at least four bytes, as in "1,2,").
    const auto n = static_cast<std::size_t>(data.pointCount);
    const std::size_t left = file.size() > file.position() ? file.size() - file.position() : 0;
    const auto reserve = std::min({n, left / 4 + 1, stream ? stream->rows : n});
    data.xValues.clear();
    data.yValues.clear();
    data.xValues.reserve(reserve);
    data.yValues.reserve(reserve);
    const auto readPoints = [&](std::size_t first, std::size_t rows) {
        const int number = static_cast<int>(first) + 1;
        data.lastPointLine = file.readInt32Pairs(data.xValues, data.yValues, rows, {"the x value of point", number},
                                                 {"the y value of point", number});
    };
    if (!stream) {
        readPoints(0, n);
    } else {
        for (std::size_t first = 0; first < n; first += stream->rows) {
            data.xValues.clear();
            data.yValues.clear();
            readPoints(first, std::min(stream->rows, n - first));
            stream->take(first, data.xValues, data.yValues);
        }
        data.xValues.clear();
        data.yValues.clear();
    }
    for (int k = 1; k <= 8; ++k)
        data.xTickCaptions[static_cast<std::size_t>(k - 1)] = file.readString({"x tick caption", k});
}

void decodeTexts(const runtime::SequentialFile& file, ChartData& data)
{
    for (std::string* text : {&data.title, &data.xAxisCaption, &data.yAxisCaption})
        *text = file.text(*text);
    for (std::string& caption : data.xTickCaptions)
        caption = file.text(caption);
}

void checkFirstPoint(const ChartData& data)
{
    if (data.pointCount == 0)
        throw runtime::RuntimeError("the count of points is 0; a chart needs at least one point",
                                    data.source, data.countLine);
}

}  // namespace chartdata
