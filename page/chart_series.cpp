#include "chart_series.h"

#include "runtime/canvas.h"

void drawSeries(runtime::Canvas& canvas, PlotPlacement area, const chartdata::SeriesPoints& points,
                const chartdata::PlotScale& scale)
{
    const QRgb colour = runtime::rgb(200, 10, 10).resolve(canvas.palette()).rgb();
    constexpr int width = 3;
    runtime::Drawing lines;
    // Each point is worked out once and carried to the next segment.
    QPointF last;
    points.forEach({chartdata::pointsAtATime, [&](std::size_t first, auto xs, auto ys) {
                        for (std::size_t k = 0; k < xs.size(); ++k) {
                            const std::size_t i = first + k;
                            const QPointF next(static_cast<float>(area.left + area.width * scale.x(i, xs[k])),
                                               static_cast<float>(area.top
                                                                  + (area.height - area.height * scale.y(ys[k]))));
                            if (i > 0)
                                lines.line(last, next, colour, width);
                            last = next;
                        }
                    }});
    canvas.setDrawWidth(width);
    canvas.addDrawing(std::move(lines));
    canvas.setDrawWidth(1);
}
