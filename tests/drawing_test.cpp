// A long stroke is painted reduced to a few points per device pixel column:
// exactly the points of a plain reduction written here, on screen and at a
// printer's resolution.
#include "tests/support/plain_reduction.h"
#include "runtime/drawing/drawing.h"

#include <QPaintEngine>
#include <QPainter>
#include <QTransform>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <random>
#include <tuple>

namespace {

using runtime::Drawing;

constexpr double boxWidth = 7455;  // twips
constexpr double boxHeight = 4815;
constexpr int penWidth = 3;

struct Series {
    const char* name;
    std::function<QPointF(int i, int n)> point;  // point i of n, in twips
};

// Where the paint is looked at: device pixels per pixel, how many points
// the series has, the share of the box's width it spans, and the part of the
// picture looked at, in device pixels.
struct View {
    const char* name;
    double scale;
    int points;
    double across;
    QRect part;
};


// Point i of the series as the view has it.
QPointF pointIn(const View& view, const Series& series, int i)
{
    const QPointF p = series.point(i, view.points);
    return {p.x() * view.across, p.y()};
}

Drawing drawSeries(const Series& series, const View& view)
{
    Drawing drawing;
    QPointF previous = pointIn(view, series, 0);
    for (int i = 1; i < view.points; ++i) {
        const QPointF next = pointIn(view, series, i);
        drawing.line(previous, next, qRgb(200, 10, 10), penWidth);
        previous = next;
    }
    return drawing;
}

// What a paint strokes: the points of each line and polyline, in pixels as
// the painter was given them, its transform aside. Its metrics are a screen's,
// with a pixel ratio of 1: Qt 6.8 and later scale the painter of any device
// by its ratio.
class StrokeRecorder final : public QPaintDevice, QPaintEngine {
public:
    StrokeRecorder() : QPaintEngine(AllFeatures) {}
    std::vector<std::vector<QPointF>> strokes;

    QPaintEngine* paintEngine() const override { return const_cast<StrokeRecorder*>(this); }
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
        case PdmHeight:
            return 100000;
        case PdmDepth:
            return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        default:  // the size in millimetres, the colours, and a pixel ratio of 1, as Qt answers them
            return QPaintDevice::metric(metric);
        }
    }
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    Type type() const override { return User; }
    void drawPolygon(const QPointF* points, int count, PolygonDrawMode) override { strokes.emplace_back(points, points + count); }
    void drawLines(const QLineF* lines, int count) override
    {
        for (int k = 0; k < count; ++k)
            strokes.push_back({lines[k].p1(), lines[k].p2()});
    }
};

class ReducedPainting : public testing::TestWithParam<std::tuple<Series, View>> {};

// What the drawing paints, against the plain reduction: a long stroke per
// half device column.
TEST_P(ReducedPainting, PaintsThePointsOfAPlainReduction)
{
    const auto& [series, view] = GetParam();
    std::vector<QPointF> kept;
    for (int i = 0; i < view.points; ++i)
        kept.emplace_back(static_cast<float>(pointIn(view, series, i).x()), static_cast<float>(pointIn(view, series, i).y()));
    QTransform toDevice;
    toDevice.translate(-view.part.x(), -view.part.y());
    toDevice.scale(view.scale, view.scale);
    if (kept.size() > 2048) {
        const double scale = 2 * view.scale / 15, offset = 2 * toDevice.dx();
        kept = testsupport::plainReduction(kept, [&](double x) {
            const double strip = std::floor(scale * x + offset);
            return std::pair(std::min((strip - offset) / scale, x),
                             std::max((strip + 1 - offset) / scale, std::nextafter(x, INFINITY)));
        });
    }
    for (QPointF& p : kept)
        p /= 15;  // in pixels, as painted
    StrokeRecorder painted;
    QPainter painter(&painted);
    painter.setTransform(toDevice);
    drawSeries(series, view).paint(painter);
    EXPECT_EQ(painted.strokes, std::vector<std::vector<QPointF>>{kept});
}

// A random walk across the box's height; a series of n points takes every
// (20000 / n)th step of it.
constexpr int longestSeries = 20000;
const std::vector<double> walk = [] {
    std::mt19937 random(7);
    std::normal_distribution<double> step(0, 1);
    std::vector<double> values(longestSeries);
    double value = 0;
    for (double& v : values)
        v = value += step(random);
    const auto [lowest, highest] = std::minmax_element(values.begin(), values.end());
    const double low = *lowest, span = *highest - low;
    for (double& v : values)
        v = boxHeight * (0.875 - 0.75 * (v - low) / span);
    return values;
}();

double across(int i, int n) { return boxWidth * i / (n - 1); }
double walkAt(int i, int n) { return walk[static_cast<std::size_t>(i * (longestSeries / n))]; }

const Series randomWalk{"RandomWalk", [](int i, int n) { return QPointF(across(i, n), walkAt(i, n)); }};
const Series singleSpike{"SingleSpike",
                         [](int i, int n) { return QPointF(across(i, n), i == n / 2 ? 100.0 : boxHeight / 2); }};
const Series sawtooth{"Sawtooth", [](int i, int n) { return QPointF(across(i, n), 600.0 + (i % 37) * 100.0); }};
const Series offTheBox{"OffTheBox", [](int i, int n) {
                           return QPointF(-2000 + (boxWidth + 4000) * i / (n - 1), -500 + (i * 7919 % 1000) * 6.0);
                       }};
const Series unsortedX{"UnsortedX", [](int i, int n) {
                           return QPointF(static_cast<double>(std::int64_t{i} * 7919 % n) * boxWidth / n, walkAt(i, n));
                       }};
// Runs of 500 points on one x: more to a column than the paint's cut takes
// in at once.
const Series comb{"Comb", [](int i, int n) { return QPointF(across(i / 500 * 500, n), walkAt(i, n)); }};

std::string caseName(const testing::TestParamInfo<std::tuple<Series, View>>& info)
{
    return std::string(std::get<0>(info.param).name) + std::get<1>(info.param).name;
}

// Sparse: a point every 2.5 twips; dense: 13 to a twip, across a fifth of
// the box.
INSTANTIATE_TEST_SUITE_P(Screen, ReducedPainting,
                         testing::Combine(testing::Values(randomWalk, singleSpike, sawtooth, offTheBox, unsortedX, comb),
                                          testing::Values(View{"", 1, 3000, 1, QRect(0, 0, 497, 321)},
                                                          View{"Dense", 1, 20000, 0.2, QRect(0, 0, 497, 321)},
                                                          View{"Dense2x", 2, 20000, 0.2, QRect(0, 0, 994, 642)})),
                         caseName);

// At 1200 dots to the inch, a part of the page, five points or so to a
// column.
INSTANTIATE_TEST_SUITE_P(Printer, ReducedPainting,
                         testing::Combine(testing::Values(randomWalk, singleSpike),
                                          testing::Values(View{"At1200Dpi", 12.5, 12000, 0.2,
                                                               QRect(300, 1400, 800, 1200)})),
                         caseName);

}  // namespace
