// A long series is cut twice before it reaches a device: per sliver of x as
// it is read, and per half device column as it is painted. The picture the
// forms paint of it, cut so, is held to every segment stroked as it is, on
// screen and at a printer's resolution.
#include "chartview/chart_series.h"
#include "runtime/drawing/twips.h"
#include "runtime/forms/canvas.h"
#include "tests/support/pixels.h"

#include <QImage>
#include <QPainter>
#include <QPicture>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr int n = 20000;

// A series as read: point i's x and y values.
struct Shape {
    const char* name;
    std::function<std::int32_t(int i)> x, y;
};

// Where the series is drawn: its plot area on the canvas, in twips, and the
// device's pixels per pixel.
struct View {
    const char* name;
    PlotPlacement area;
    double scale;
};

const std::vector<std::int32_t> walk = [] {
    std::mt19937 random(7);
    std::uniform_int_distribution<std::int32_t> step(-100, 100);
    std::vector<std::int32_t> values(n);
    std::int32_t value = 0;
    for (std::int32_t& v : values)
        v = value += step(random);
    return values;
}();

// The series cut as a chart is cut while read, in batches of 7 and of 1000
// points in turn: runs cross batches, and long batches are searched eight
// points at a time.
ChartSeries cutAsRead(const std::vector<std::int32_t>& xs, const std::vector<std::int32_t>& ys, PlotPlacement area,
                      const chartdata::PlotScale& scale)
{
    SeriesCut cut(area, scale);
    for (std::size_t first = 0, batch = 7; first < xs.size(); first += batch, batch = batch == 7 ? 1000 : 7) {
        const std::size_t count = std::min(batch, xs.size() - first);
        cut.add(first, std::span(xs).subspan(first, count), std::span(ys).subspan(first, count));
    }
    return {{}, scale, std::move(cut).kept()};
}

// The plot area of the device, white, with what `paint` draws in pixels.
QImage picture(const View& view, const std::function<void(QPainter&)>& paint)
{
    const PlotPlacement& a = view.area;
    QImage image(QSizeF(a.width, a.height).toSize() * view.scale / runtime::twipsPerPixel, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(view.scale, view.scale);
    painter.translate(-runtime::twipsToPixels(a.left), -runtime::twipsToPixels(a.top));
    paint(painter);
    return image;
}

using testsupport::near;

const testsupport::PixelTest inked = [](QRgb p) { return p != qRgb(255, 255, 255); };

class ReducedDrawing : public testing::TestWithParam<std::tuple<Shape, View>> {};

TEST_P(ReducedDrawing, DiffersFromEverySegmentOnlyInThePensFringe)
{
    const auto& [shape, view] = GetParam();
    const PlotPlacement& area = view.area;
    std::vector<std::int32_t> xs(n), ys(n);
    for (int i = 0; i < n; ++i) {
        xs[static_cast<std::size_t>(i)] = shape.x(i);
        ys[static_cast<std::size_t>(i)] = shape.y(i);
    }
    const auto [low, high] = std::minmax_element(ys.begin(), ys.end());
    const double margin = (*high - *low) / 6.0;
    const chartdata::PlotScale scale = chartdata::plotScale(n, xs.front(), xs.back(), {*low - margin, *high + margin}, "", 0);

    ChartSeries series = cutAsRead(xs, ys, area, scale);
    runtime::Canvas canvas(nullptr, runtime::rgb(255, 255, 255));
    canvas.resize(QSizeF(area.left + area.width, area.top + area.height).toSize() / runtime::twipsPerPixel + QSize(1, 1));
    canvas.setPersistentDrawing(true);
    drawSeries(canvas, area, series);
    const QImage reduced = picture(view, [&](QPainter& painter) { canvas.paintContent(painter); });

    // Every segment, with the pen the forms draw a series with, each point
    // where the forms place it, in twips as a float.
    const QImage whole = picture(view, [&](QPainter& painter) {
        painter.setPen(QPen(QColor(200, 10, 10), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPolygonF line;
        for (std::size_t i = 0; i < xs.size(); ++i) {
            const auto x = static_cast<float>(area.left + area.width * scale.x(i, xs[i]));
            const auto y = static_cast<float>(area.top + (area.height - area.height * scale.y(ys[i])));
            line.append(QPointF(runtime::twipsToPixels(double{x}), runtime::twipsToPixels(double{y})));
        }
        painter.drawPolyline(line);
    });

    // How far a 3-pixel round pen's ink reaches sideways at each height
    // depends on the path's exact course there, which no cut to a few points
    // per column keeps everywhere: the cut may move the pen's edge by a pixel
    // here and there, never lose or add a stroke. So every pixel that differs
    // touches ink in both pictures, and few do: at most 2 in 1000 of the
    // series' pixels (1.2 at most measured here), which a cut that moves the
    // edge all along the series exceeds. The edge pixels are left out: their
    // neighbours lie beyond.
    int ink = 0, differing = 0;
    for (int y = 1; y + 1 < whole.height(); ++y) {
        for (int x = 1; x + 1 < whole.width(); ++x) {
            ink += whole.pixel(x, y) != qRgb(255, 255, 255);
            if (whole.pixel(x, y) == reduced.pixel(x, y))
                continue;
            ++differing;
            EXPECT_TRUE(near(whole, {x, y}, inked) && near(reduced, {x, y}, inked)) << "at pixel " << x << ", " << y;
        }
    }
    ASSERT_GT(ink, 0);
    EXPECT_LE(differing, ink / 500) << "of " << ink;
}

// What the cuts are for: the points a drawing keeps and those a paint strokes
// follow the box's width, not the series. A million points across a box 4
// pixels wide, on the page: under 1 in 100 kept, and a paint recorded in
// under 16 bytes (a point) for each of those.
TEST(ReducedDrawing, FollowsTheBoxNotTheSeries)
{
    constexpr std::size_t many = 1000000;
    constexpr PlotPlacement area{960, 720, 60, 4815};
    std::vector<std::int32_t> xs(many), ys(many);
    std::vector<runtime::Drawing::Point> points(many);
    for (std::size_t i = 0; i < many; ++i) {
        xs[i] = static_cast<std::int32_t>(i);
        ys[i] = walk[i % n];
        points[i] = {static_cast<float>(area.left + area.width * i / many), static_cast<float>(ys[i])};
    }
    EXPECT_LT(cutAsRead(xs, ys, area, chartdata::plotScale(many, 0, xs.back(), {-1e4, 1e4}, "", 0)).cut->size(),
              many / 100);
    runtime::Drawing drawing;
    drawing.polyline(std::move(points), qRgb(200, 10, 10), 3);
    QPicture painted;
    QPainter painter(&painted);
    painter.translate(-runtime::twipsToPixels(area.left), 0);
    drawing.paint(painter);
    painter.end();
    EXPECT_LT(painted.size(), many / 100 * 16);
}

const Shape shapes[] = {
    {"RandomWalk", [](int i) { return i + 1; }, [](int i) { return walk[static_cast<std::size_t>(i)]; }},
    // Up at the first point, up and down within strips of others.
    {"Spikes", [](int i) { return i + 1; }, [](int i) { return i % 7001 == 0 ? 1000 : i == 13003 ? -1000 : 0; }},
    {"Sawtooth", [](int i) { return i + 1; }, [](int i) { return i % 300 * 10; }},
    // x back and forth within each 16 points.
    {"UnsortedX", [](int i) { return i - i % 16 + i * 7 % 16 + 1; },
     [](int i) { return walk[static_cast<std::size_t>(i)]; }},
    // Runs of 500 points on one x.
    {"Comb", [](int i) { return i / 500 * 500 + (i + 1 == n); },
     [](int i) { return walk[static_cast<std::size_t>(i)] * 10; }},
};

// The window's box and the page's plot area, and a narrow area that takes
// several hundred points to a column on screen.
const View views[] = {
    {"Window", {0, 0, 7455, 4815}, 1},
    {"Window2x", {0, 0, 7455, 4815}, 2},
    {"Narrow", {0, 0, 600, 4815}, 1},
    {"NarrowAt600Dpi", {960, 720, 600, 4815}, 600.0 / 96},
};

INSTANTIATE_TEST_SUITE_P(Series, ReducedDrawing, testing::Combine(testing::ValuesIn(shapes), testing::ValuesIn(views)),
                         [](const testing::TestParamInfo<std::tuple<Shape, View>>& info) {
                             return std::string(std::get<0>(info.param).name) + std::get<1>(info.param).name;
                         });

}  // namespace
