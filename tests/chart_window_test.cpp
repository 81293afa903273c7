// The chart window built in-process and rendered with grab(): layout, the
// captions that the load puts on the labels, and the plot in the chart box.
#include "app/frm_chart.h"
#include "tests/support/pixels.h"
#include "tests/support/work_folder.h"

#include <QApplication>
#include <QFontInfo>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using testsupport::count;
using testsupport::exampleChart;
using testsupport::loaded;

QImage boxPixels(const frmChart& form) { return form.theChartBox.grab().toImage(); }

bool isSeries(QRgb pixel) { return pixel == qRgb(200, 10, 10); }
bool isGrid(QRgb pixel) { return pixel == qRgb(0, 0, 0); }

// Whether the series covers the pixel column at x within a pixel of y; the
// grid lines, drawn above the series, may hide the row itself.
bool seriesNear(const QImage& image, QPointF at)
{
    return count(image, QRect(std::min(int(at.x()), image.width() - 1), int(at.y()) - 1, 1, 3), isSeries) > 0;
}

// Its caption and size are seen on the desktop; its icon and fonts here.
TEST(ChartWindow, HasItsIconAndFonts)
{
    const auto form = loaded<frmChart>(exampleChart);
    EXPECT_FALSE(form->windowIcon().isNull());
    EXPECT_EQ(QFontInfo(form->lblTitle.font()).family(), "Liberation Serif");
    EXPECT_EQ(QFontInfo(form->lblTitle.font()).pixelSize(), 21);
    EXPECT_EQ(QFontInfo(form->lblXAxis.font()).family(), "Liberation Sans");
    EXPECT_TRUE(form->lblXAxis.font().bold());
    EXPECT_EQ(QFontInfo(form->lblY1.font()).pixelSize(), 11);
}

// And a repaint draws the same again.
TEST(ChartWindow, GridLinesLieAboveTheSeriesAndRepaintAlike)
{
    const auto form = loaded<frmChart>(exampleChart);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    const QImage box = boxPixels(*form), window = form->grab().toImage();
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
    form->showMinimized();
    form->showNormal();
    form->theChartBox.update();
    QApplication::processEvents();
    EXPECT_EQ(form->grab().toImage(), window);
}

struct SeriesCase {
    const char* name;
    std::string points;                 // count and pairs
    std::vector<QPointF> series;   // points the series passes through
    std::vector<QPoint> notSeries;  // pixels it must leave alone
};

class ChartWindowPlot : public testing::TestWithParam<SeriesCase> {};

TEST_P(ChartWindowPlot, DrawsTheSeriesWhereItBelongs)
{
    const auto form = loaded<frmChart>("T\nX\nY\n" + GetParam().points + "\nA,B,C,D,E,F,G,H\n");
    const QImage box = boxPixels(*form);
    for (const QPointF p : GetParam().series)
        EXPECT_TRUE(seriesNear(box, p)) << p.x() << "," << p.y();
    for (const QPoint p : GetParam().notSeries)
        EXPECT_FALSE(isSeries(box.pixel(p))) << p.x() << "," << p.y();
    EXPECT_EQ(count(box, box.rect(), isSeries) > 0, !GetParam().series.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChartWindowPlot,
    testing::Values(
        SeriesCase{"Example", "5\n1,120\n2,135\n3,128\n4,150\n5,162",
                   {{0, 280.875}, {124.25, 194.89}, {248.5, 235.02}, {372.75, 108.91}, {497, 40.125}},
                   {{124, 199}, {130, 194}, {300, 300}}},
        // Flat: along the middle, rows 159 to 161, under the grid line at 160; to the pixel.
        SeriesCase{"Flat", "3\n1,5\n2,5\n3,5", {{250, 158}}, {{250, 162}}},
        SeriesCase{"OnePoint", "1\n1,5", {}, {}},
        // The middle point lies at three widths: both segments run off the
        // right edge, at y 200.8 and 160.6 there.
        SeriesCase{"OffTheRightEdge", "3\n1,0\n10,60\n4,30", {{0, 280.875}, {496, 200.8}, {496, 160.6}},
                   {{496, 300}, {496, 100}}}),
    [](const auto& info) { return std::string(info.param.name); });

// Whether the window shows ink in the rectangle (pixels).
bool hasInk(frmChart& form, QRect where)
{
    const QImage part = form.grab(where).toImage();
    return count(part, part.rect(), [](QRgb p) { return qGray(p) < 100; }) > 0;
}

TEST(ChartWindow, ALongCaptionWrapsAtWordsInsideItsLabel)
{
    // The y-axis caption's label is 65 x 33 pixels at (0, 176); the tick labels on it are emptied.
    const auto form = loaded<frmChart>(exampleChart);
    form->lblY5.setCaption("");
    form->lblY6.setCaption("");
    const QRect secondLine(0, 191, 64, 18), below(0, 209, 64, 15);
    EXPECT_FALSE(hasInk(*form, secondLine)) << "\"Units\" takes one line";
    form->lblYAxis.setCaption("Units made per week in the plant");
    EXPECT_TRUE(hasInk(*form, secondLine)) << "no second line";
    // Only two lines fit; the rest is cut off at the label's bottom edge.
    EXPECT_FALSE(hasInk(*form, below));
    // Of 64 KiB of combining marks on one letter, only the start is laid out.
    const QString marks = "e" + QString(32767, QChar(0x0301));
    form->lblTitle.setCaption(marks.toStdString());
    const QString shown = form->lblTitle.laidOutCaption();
    EXPECT_TRUE(shown.size() > 1 && shown.size() < 100 && marks.startsWith(shown)) << shown.size();
}

// Run with QT_SCALE_FACTOR=2 (a ctest entry of its own): the same layout,
// drawn at twice the pixels rather than blown up from one.
TEST(HighDpi, SameLayoutDrawnCrisply)
{
    const auto form = loaded<frmChart>(exampleChart);
    const QImage box = boxPixels(*form);
    if (box.devicePixelRatio() != 2)
        GTEST_SKIP() << "needs QT_SCALE_FACTOR=2";
    EXPECT_EQ(box.size(), QSize(994, 642));
    // A picture blown up from one pixel ratio is made of 2 x 2 blocks; a
    // crisp one has edges at odd device pixels too.
    // The pen is 3 pixels, so 6 device pixels, thick.
    int oddEdges = 0, thickness = 0;
    for (int y = 1; y < box.height(); ++y) {
        for (int x = 0; y % 2 && x < box.width(); ++x)
            oddEdges += isSeries(box.pixel(x, y)) != isSeries(box.pixel(x, y - 1));
        thickness += isSeries(box.pixel(1, y));
    }
    EXPECT_GT(oddEdges, 50);
    EXPECT_NEAR(thickness, 6, 1);
}

}  // namespace
