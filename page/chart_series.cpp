#include "chart_series.h"

#include "runtime/canvas.h"

#include <algorithm>
#include <vector>

void drawSeries(runtime::Canvas& canvas, PlotPlacement area, const chartdata::SeriesPoints& points,
                const chartdata::PlotScale& scale)
{
    const QRgb colour = runtime::rgb(200, 10, 10).resolve(canvas.palette()).rgb();
    constexpr int width = 3;
    runtime::Drawing lines;
    // The points worked out a batch at a time, each batch beginning with the
    // last point of the one before, so that the lines run on from it.
    constexpr std::size_t atATime = chartdata::pointsAtATime;
    std::vector<runtime::reduction::Point> batch;
    batch.reserve(atATime + 1);
    points.forEach({atATime, [&](std::size_t first, auto xs, auto ys) {
                        for (std::size_t from = 0; from < xs.size(); from += atATime) {
                            if (!batch.empty())
                                batch.erase(batch.begin(), batch.end() - 1);
                            for (std::size_t k = from; k < std::min(xs.size(), from + atATime); ++k) {
                                const std::size_t i = first + k;
                                batch.push_back(
                                    {static_cast<float>(area.left + area.width * scale.x(i, xs[k])),
                                     static_cast<float>(area.top + (area.height - area.height * scale.y(ys[k])))});
                            }
                            lines.polyline(batch, colour, width);
                        }
                    }});
    canvas.setDrawWidth(width);
    canvas.addDrawing(std::move(lines));
    canvas.setDrawWidth(1);
}
