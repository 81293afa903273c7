// A long series is painted reduced to a few points per device pixel column.
// Painted both ways, the pictures must agree but for the 3-pixel pen's
// fringe: no pixel differs that is not next to the series in both.
#include "runtime/drawing.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

namespace {

using runtime::Drawing;

constexpr double boxWidth = 7455;  // twips
constexpr double boxHeight = 4815;
constexpr int points = 3000;

struct Series {
    const char* name;
    std::function<QPointF(int)> point;  // point i of `points`, in twips
};

void PrintTo(const Series& s, std::ostream* out) { *out << s.name; }

Drawing drawSeries(const Series& series, int width)
{
    Drawing drawing;
    QPointF previous = series.point(0);
    for (int i = 1; i < points; ++i) {
        const QPointF next = series.point(i);
        drawing.line(previous, next, qRgb(200, 10, 10), width);
        previous = next;
    }
    return drawing;
}

QImage paint(const Drawing& drawing, double scale, Drawing::Detail detail)
{
    QImage image(static_cast<int>(497 * scale), static_cast<int>(321 * scale), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(scale, scale);
    drawing.paint(painter, detail);
    return image;
}

bool inked(const QImage& image, int x, int y)
{
    return x >= 0 && y >= 0 && x < image.width() && y < image.height() && image.pixel(x, y) != qRgb(255, 255, 255);
}

bool nextToInk(const QImage& image, int x, int y)
{
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if ((dx || dy) && inked(image, x + dx, y + dy))
                return true;
    return false;
}

class ReducedPainting : public testing::TestWithParam<Series> {};

TEST_P(ReducedPainting, DiffersAtMostInThePensFringe)
{
    // The series is the one long stroke the program draws, with its 3-pixel pen.
    constexpr int width = 3;
    const Drawing drawing = drawSeries(GetParam(), width);
    {
        for (const double scale : {1.0, 2.0}) {
            const QImage full = paint(drawing, scale, Drawing::Detail::Full);
            const QImage reduced = paint(drawing, scale, Drawing::Detail::Reduced);
            int ink = 0;
            int differing = 0;
            for (int y = 0; y < full.height(); ++y) {
                for (int x = 0; x < full.width(); ++x) {
                    ink += inked(full, x, y);
                    if (full.pixel(x, y) == reduced.pixel(x, y))
                        continue;
                    ++differing;
                    EXPECT_TRUE(nextToInk(full, x, y) && nextToInk(reduced, x, y))
                        << "pixel " << x << "," << y << " pen " << width << " scale " << scale;
                }
            }
            EXPECT_LE(differing, ink / 50) << "pen " << width << " scale " << scale;
        }
    }
}

std::vector<double> randomWalk()
{
    std::mt19937 random(7);
    std::normal_distribution<double> step(0, 1);
    std::vector<double> walk(points);
    double value = 0;
    for (double& v : walk)
        v = value += step(random);
    const auto [low, high] = std::minmax_element(walk.begin(), walk.end());
    const double span = *high - *low;
    for (double& v : walk)
        v = boxHeight * (0.875 - 0.75 * (v - *low) / span);
    return walk;
}

const std::vector<double> walk = randomWalk();
double across(int i) { return boxWidth * i / (points - 1); }

INSTANTIATE_TEST_SUITE_P(
    Series, ReducedPainting,
    testing::Values(
        Series{"RandomWalk", [](int i) { return QPointF(across(i), walk[static_cast<std::size_t>(i)]); }},
        Series{"SingleSpike", [](int i) { return QPointF(across(i), i == points / 2 ? 100.0 : boxHeight / 2); }},
        Series{"Sawtooth", [](int i) { return QPointF(across(i), 600.0 + (i % 37) * 100.0); }},
        Series{"OffTheBox",
               [](int i) { return QPointF(-2000 + (boxWidth + 4000) * i / (points - 1), -500 + (i * 7919 % 1000) * 6.0); }},
        Series{"UnsortedX", [](int i) { return QPointF((i * 7919 % points) * boxWidth / points, walk[static_cast<std::size_t>(i)]); }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
