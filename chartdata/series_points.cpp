#include "chartdata/series_points.h"

#include "runtime/error/runtime_error.h"
#include "runtime/text/sequential_file.h"

#include <algorithm>

namespace chartdata {
namespace {

runtime::RuntimeError changed(const std::string& source)
{
    return runtime::RuntimeError("changed while it was being read", source);
}

bool sameTexts(const ChartData& a, const ChartData& b)
{
    return a.title == b.title && a.xAxisCaption == b.xAxisCaption && a.yAxisCaption == b.yAxisCaption
        && a.pointCount == b.pointCount && a.xTickCaptions == b.xTickCaptions && a.countLine == b.countLine
        && a.lastPointLine == b.lastPointLine;
}

}  // namespace

void SeriesSummary::add(std::span<const std::int32_t> xs, std::span<const std::int32_t> ys)
{
    if (xs.empty())
        return;
    if (count == 0)
        firstX = xs.front();
    lastX = xs.back();
    count += xs.size();
    std::int32_t low = lowest, high = highest;
    for (const std::int32_t y : ys) {
        low = std::min(low, y);
        high = std::max(high, y);
    }
    lowest = low;
    highest = high;
    // The point as one word, x above y, summed in order, and those running
    // sums summed: a running sum taken n times over is the sum of each
    // value weighted by how many sums it is in, which needs no running sum
    // and so goes a vector register at a time.
    const std::size_t n = xs.size();
    std::uint64_t xSum = 0, ySum = 0, xWeighted = 0, yWeighted = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const auto weight = static_cast<std::uint64_t>(static_cast<std::uint32_t>(n - i));
        const std::uint64_t x = static_cast<std::uint32_t>(xs[i]);
        const std::uint64_t y = static_cast<std::uint32_t>(ys[i]);
        xSum += x;
        ySum += y;
        xWeighted += weight * x;
        yWeighted += weight * y;
    }
    sumOfSums += n * sum + (xWeighted << 32) + yWeighted;
    sum += (xSum << 32) + ySum;
}

SeriesPoints readSeries(runtime::SequentialFile& file, ChartData& data, std::size_t twiceFrom,
                        const TakePoints& alongside)
{
    SeriesPoints points;
    if (file.size() < twiceFrom) {
        readPointsAndTickCaptions(file, data);
        points.summary_.add(data.xValues, data.yValues);
        points.first_.xValues = std::move(data.xValues);
        points.first_.yValues = std::move(data.yValues);
        return points;
    }
    points.again_ = true;
    points.identity_ = file.identity();
    points.options_ = file.options();
    const PointStream stream{pointsAtATime, [&](std::size_t first, auto xs, auto ys) {
                                 points.summary_.add(xs, ys);
                                 if (alongside)
                                     alongside(first, xs, ys);
                             }};
    readPointsAndTickCaptions(file, data, &stream);
    if (file.identity() != points.identity_)
        throw changed(file.name());
    points.first_ = data;
    return points;
}

PlotScale seriesScale(const SeriesPoints& points, const ChartData& data)
{
    const SeriesSummary& found = points.summary();
    return plotScale(found.count, found.firstX, found.lastX, axisRange(found.yRange()), data.source,
                     data.lastPointLine);
}

void SeriesPoints::forEach(const Take& take) const
{
    if (!again_) {
        take.take(0, first_.xValues, first_.yValues);
        return;
    }
    ChartData second;
    SeriesSummary summary;
    try {
        runtime::SequentialFile file(first_.source, options_);
        if (file.identity() != identity_)
            throw changed(first_.source);
        readCaptionLines(file, second);
        const PointStream stream{take.rows, [&](std::size_t first, auto xs, auto ys) {
                                     summary.add(xs, ys);
                                     take.take(first, xs, ys);
                                 }};
        readPointsAndTickCaptions(file, second, &stream);
        if (file.identity() != identity_)
            throw changed(first_.source);
    } catch (const runtime::RuntimeError&) {
        throw changed(first_.source);
    }
    if (!sameTexts(second, first_) || summary != summary_)
        throw changed(first_.source);
}

}  // namespace chartdata
