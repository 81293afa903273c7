#include "chartview/chart_series.h"

#include "chartdata/last_point.h"
#include "runtime/forms/canvas.h"
#include "runtime/text/sequential_file.h"

#include <algorithm>
#include <utility>

ChartSeries readSeriesCutting(runtime::SequentialFile& file, chartdata::ChartData& data, PlotPlacement area,
                              const std::function<void()>& captionLinesRead)
{
    const std::optional<std::int32_t> lastX = chartdata::lastXOfTail(file.tail(chartdata::lastPointTailBytes));
    if (!lastX)
        return {chartdata::readChart(file, data, captionLinesRead), {}, {}};
    std::optional<SeriesCut> cutting;
    const auto alongside = [&](std::size_t first, auto xs, auto ys) {
        // The scale needs only the count and the first and last x; a span
        // of zero, which fails the scale, is left to the second reading.
        const auto count = static_cast<std::size_t>(data.pointCount);
        if (first == 0 && !xs.empty() && (count < 3 || xs.front() != *lastX))
            cutting.emplace(area, chartdata::plotScale(count, xs.front(), *lastX, {0, 1}, data.source, 0));
        if (cutting)
            cutting->add(first, xs, ys);
    };
    ChartSeries series{chartdata::readChart(file, data, captionLinesRead, alongside), {}, {}};
    if (cutting && series.points.summary().lastX == *lastX)
        series.cut = std::move(*cutting).kept();
    return series;
}

std::vector<CutPoint> seriesCut(ChartSeries& series, PlotPlacement area)
{
    if (series.cut)
        return std::exchange(series.cut, std::nullopt).value();
    SeriesCut cut(area, series.scale);
    series.points.forEach({chartdata::pointsAtATime,
                           [&](std::size_t first, auto xs, auto ys) { cut.add(first, xs, ys); }});
    return std::move(cut).kept();
}

void drawSeries(runtime::Canvas& canvas, PlotPlacement area, ChartSeries& series)
{
    const std::vector<CutPoint> kept = seriesCut(series, area);
    std::vector<runtime::Drawing::Point> points(kept.size());
    std::ranges::transform(kept, points.begin(), [&](CutPoint p) {
        return runtime::Drawing::Point{p.x, static_cast<float>(area.down(series.scale.y(p.y)))};
    });
    canvas.setDrawWidth(3);
    canvas.polyline(std::move(points), runtime::rgb(200, 10, 10));
    canvas.setDrawWidth(1);
}
