// The chart window built in-process and rendered with grab(): layout, the
// captions that the load puts on the labels, and the plot in the chart box.
#include "frm_chart.h"
#include "work_folder.h"

#include <QApplication>
#include <QFontInfo>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

const std::string& exampleFile = testsupport::exampleChart;

std::unique_ptr<frmChart> loadChart(const std::string& bytes) { return testsupport::loaded<frmChart>(bytes); }

QImage boxPixels(const frmChart& form) { return form.theChartBox.grab().toImage(); }

bool isSeries(QRgb pixel) { return pixel == qRgb(200, 10, 10); }
bool isGrid(QRgb pixel) { return pixel == qRgb(0, 0, 0); }

// Whether the series covers the pixel column at x within a pixel of y; the
// grid lines, drawn above the series, may hide the row itself.
bool seriesNear(const QImage& image, QPointF at)
{
    const int x = std::min(static_cast<int>(at.x()), image.width() - 1);
    const int y = static_cast<int>(at.y());
    for (int row = y - 1; row <= y + 1; ++row)
        if (row >= 0 && row < image.height() && isSeries(image.pixel(x, row)))
            return true;
    return false;
}

int seriesPixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += isSeries(image.pixel(x, y));
    return count;
}

TEST(ChartWindow, HasItsCaptionSizeAndFonts)
{
    const auto form = loadChart(exampleFile);
    EXPECT_EQ(form->windowTitle(), "Chart Viewer");
    EXPECT_EQ(form->size(), QSize(632, 419));
    EXPECT_FALSE(form->windowIcon().isNull());
    EXPECT_EQ(form->theChartBox.Width(), 7455.0f);
    EXPECT_EQ(form->theChartBox.Height(), 4815.0f);
    EXPECT_EQ(QFontInfo(form->lblTitle.font()).family(), "Liberation Serif");
    EXPECT_EQ(QFontInfo(form->lblTitle.font()).pixelSize(), 21);
    EXPECT_EQ(QFontInfo(form->lblXAxis.font()).family(), "Liberation Sans");
    EXPECT_TRUE(form->lblXAxis.font().bold());
    EXPECT_EQ(QFontInfo(form->lblY1.font()).pixelSize(), 11);
}

TEST(ChartWindow, GridLinesLieAboveTheSeries)
{
    const auto form = loadChart(exampleFile);
    const QImage box = boxPixels(*form);
    // Seven lines every 40 pixels from y = 40 to 280, none at 0, each ending a pixel short.
    for (int y = 0; y <= 320; y += 40) {
        const bool line = y >= 40 && y <= 280;
        EXPECT_EQ(isGrid(box.pixel(300, y)), line) << "y " << y;
        EXPECT_EQ(isGrid(box.pixel(495, y)), line) << "y " << y;
        EXPECT_FALSE(isGrid(box.pixel(496, y))) << "y " << y;
    }
    // The first segment crosses the line at y = 240 near x = 59.
    EXPECT_TRUE(isGrid(box.pixel(59, 240)));
    EXPECT_TRUE(isSeries(box.pixel(59, 239)));
    EXPECT_TRUE(isSeries(box.pixel(59, 241)));
}

struct SeriesCase {
    const char* name;
    std::string points;                 // count and pairs
    std::vector<QPointF> series;   // points the series passes through
    std::vector<QPoint> notSeries;  // pixels it must leave alone
};

void PrintTo(const SeriesCase& c, std::ostream* out) { *out << c.name; }

class ChartWindowPlot : public testing::TestWithParam<SeriesCase> {};

TEST_P(ChartWindowPlot, DrawsTheSeriesWhereItBelongs)
{
    const auto form = loadChart("T\nX\nY\n" + GetParam().points + "\nA,B,C,D,E,F,G,H\n");
    const QImage box = boxPixels(*form);
    for (const QPointF p : GetParam().series)
        EXPECT_TRUE(seriesNear(box, p)) << p.x() << "," << p.y();
    for (const QPoint p : GetParam().notSeries)
        EXPECT_FALSE(isSeries(box.pixel(p))) << p.x() << "," << p.y();
    if (GetParam().series.empty()) {
        EXPECT_EQ(seriesPixels(box), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChartWindowPlot,
    testing::Values(
        SeriesCase{"Example", "5\n1,120\n2,135\n3,128\n4,150\n5,162",
                   {{0, 280.875}, {124.25, 194.89}, {248.5, 235.02}, {372.75, 108.91}, {497, 40.125}},
                   {{124, 199}, {130, 194}, {300, 300}}},
        // Flat: along the middle, y = 160.5, where the grid line at 160 covers it.
        SeriesCase{"Flat", "3\n1,5\n2,5\n3,5", {{1, 160.5}, {250, 160.5}, {496, 160.5}}, {{250, 160}, {250, 150}}},
        SeriesCase{"OnePoint", "1\n1,5", {}, {}},
        // Two points span the box whatever their x values.
        SeriesCase{"TwoEqualX", "2\n7,0\n7,60", {{0, 280.875}, {248.5, 160.5}, {497, 40.125}}, {{250, 100}}},
        // The middle point lies at three widths: both segments run off the
        // right edge, at y 200.8 and 160.6 there.
        SeriesCase{"OffTheRightEdge", "3\n1,0\n10,60\n4,30", {{0, 280.875}, {496, 200.8}, {496, 160.6}},
                   {{496, 300}, {496, 100}}},
        SeriesCase{"FarApartX", "3\n-2000000000,0\n0,60\n2000000000,0",
                   {{0, 280.875}, {248.5, 40.125}, {497, 280.875}}, {{248, 200}}}),
    [](const auto& info) { return std::string(info.param.name); });

// Rows of the y-axis caption's label (0, 176, 65 x 33 pixels) that hold ink.
std::vector<int> inkedCaptionRows(frmChart& form)
{
    const QImage label = form.grab(QRect(0, 176, 64, 33)).toImage();
    std::vector<int> rows;
    for (int y = 0; y < label.height(); ++y)
        for (int x = 0; x < label.width(); ++x)
            if (qGray(label.pixel(x, y)) < 100) {
                rows.push_back(y);
                break;
            }
    return rows;
}

TEST(ChartWindow, ALongCaptionWrapsAtWordsInsideItsLabel)
{
    const auto form = loadChart(exampleFile);
    form->lblY5.setCaption("");
    form->lblY6.setCaption("");
    form->lblYAxis.setCaption("Units");
    const auto oneLine = inkedCaptionRows(*form);
    ASSERT_FALSE(oneLine.empty());
    EXPECT_LT(oneLine.back(), 14);
    form->lblYAxis.setCaption("Units made per week in the plant");
    const auto wrapped = inkedCaptionRows(*form);
    EXPECT_GT(wrapped.back(), 14) << "no second line";
    // Only two lines fit; the rest is cut off at the label's bottom edge.
    const QImage below = form->grab(QRect(0, 209, 64, 15)).toImage();
    for (int y = 0; y < below.height(); ++y)
        for (int x = 0; x < below.width(); ++x)
            EXPECT_GE(qGray(below.pixel(x, y)), 100) << x << "," << y;
}

TEST(ChartWindow, RepaintsFromItsDrawing)
{
    const auto form = loadChart(exampleFile);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    const QImage before = form->grab().toImage();
    form->showMinimized();
    form->showNormal();
    form->theChartBox.update();
    QApplication::processEvents();
    EXPECT_EQ(form->grab().toImage(), before);
}

// Run with QT_SCALE_FACTOR=2 (a ctest entry of its own): the same layout,
// drawn at twice the pixels rather than blown up from one.
TEST(HighDpi, SameLayoutDrawnCrisply)
{
    const auto form = loadChart(exampleFile);
    const QImage box = boxPixels(*form);
    if (box.devicePixelRatio() != 2)
        GTEST_SKIP() << "needs QT_SCALE_FACTOR=2";
    EXPECT_EQ(form->size(), QSize(632, 419));
    EXPECT_EQ(box.size(), QSize(994, 642));
    // A picture blown up from one pixel ratio is made of 2 x 2 blocks; a
    // crisp one has edges at odd device pixels too.
    int oddEdges = 0;
    for (int y = 1; y < box.height(); y += 2)
        for (int x = 0; x < box.width(); ++x)
            oddEdges += isSeries(box.pixel(x, y)) != isSeries(box.pixel(x, y - 1));
    EXPECT_GT(oddEdges, 50);
    // The pen is 3 pixels, so 6 device pixels, thick.
    int thickness = 0;
    for (int y = 0; y < box.height(); ++y)
        thickness += isSeries(box.pixel(1, y));
    EXPECT_GE(thickness, 5);
    EXPECT_LE(thickness, 7);
}

}  // namespace
