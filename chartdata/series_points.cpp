#include "chartdata/series_points.h"

#include "runtime/error/runtime_error.h"
#include "runtime/text/sequential_file.h"

namespace chartdata {
namespace {

runtime::RuntimeError changed(const std::string& source)
{
    return runtime::RuntimeError("changed while it was being read", source);
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
    yRange = findYRange(ys, yRange);
    // The values' own extremes, searched alike from the widest bounds on.
    const YRange extremes = findYRange(ys, {lowest, highest});
    lowest = extremes.yMin;
    highest = extremes.yMax;
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

struct SeriesPoints::Rereading {
    ChartData first;  // the texts and lines as first read
};

SeriesPoints readChart(runtime::SequentialFile& file, ChartData& data, const std::function<void()>& captionLinesRead,
                       const TakePoints& alongside)
{
    readCaptionLines(file, data);
    const auto textsRead = [&] {
        decodeTexts(file, data);
        if (captionLinesRead)
            captionLinesRead();
    };
    SeriesPoints points;
    try {
        const PointStream stream{pointsAtATime, [&](std::size_t first, auto xs, auto ys) {
                                     points.summary_.add(xs, ys);
                                     if (alongside)
                                         alongside(first, xs, ys);
                                 }};
        readPointsAndTickCaptions(file, data, &stream);
        points.again_ = std::make_shared<const SeriesPoints::Rereading>(SeriesPoints::Rereading{data});
    } catch (...) {
        textsRead();
        throw;
    }
    file.close();
    textsRead();
    checkFirstPoint(data);
    return points;
}

PlotScale seriesScale(const SeriesPoints& points, const ChartData& data)
{
    const SeriesSummary& found = points.summary();
    return plotScale(found.count, found.firstX, found.lastX, axisRange(found.yRange), data.source,
                     data.lastPointLine);
}

void SeriesPoints::forEach(const PointStream& take) const
{
    // The file is read again as far as the first reading went: anything it
    // holds there that reads otherwise is a change, but what cannot be read
    // (a file gone, a permission taken away, an I/O error) is reported as that.
    const ChartData& first = again_->first;
    runtime::SequentialFile file(first.source);
    ChartData second;
    SeriesSummary summary;
    try {
        readCaptionLines(file, second);
        const PointStream stream{take.rows, [&](std::size_t at, auto xs, auto ys) {
                                     summary.add(xs, ys);
                                     take.take(at, xs, ys);
                                 }};
        readPointsAndTickCaptions(file, second, &stream);
    } catch (const runtime::RuntimeError&) {
        if (file.failedToRead())
            throw;
        throw changed(first.source);
    }
    // Both as read, before the texts were decoded.
    if (second != first || summary != summary_)
        throw changed(first.source);
}

}  // namespace chartdata
