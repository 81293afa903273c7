// Both forms in-process: what a screen reader finds in the window, and
// where labels overlap, every caption stays whole.
#include "frm_chart.h"
#include "frm_chart_description.h"
#include "prnt_frm_description.h"

#include <QAccessible>
#include <QDir>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

const QByteArray exampleFile = "Weekly Output\nWeek\nUnits\n5\n1,120\n2,135\n3,128\n4,150\n5,162\n"
                               "W1,W1,W2,W3,W4,\"W5, late\",W6,W7\n";

// A form built and loaded in a folder that holds the chart file.
template <class Form>
std::unique_ptr<Form> loaded(const QByteArray& chart)
{
    QTemporaryDir folder;
    QFile file(folder.filePath("chart.dat"));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(chart) == chart.size());
    file.close();
    const QString here = QDir::currentPath();
    QDir::setCurrent(folder.path());
    auto form = std::make_unique<Form>();
    form->load();
    QDir::setCurrent(here);
    return form;
}

struct Child {
    QAccessible::Role role;
    QString name;  // and a static text's text
    QRect rect = {};  // a label's, in the window's pixels
};

TEST(AccessibleWindow, IsAFrameWhoseChildrenAreReadInTabOrder)
{
    const auto form = loaded<frmChart>(exampleFile);
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(form.get());
    EXPECT_EQ(window->role(), QAccessible::Window);
    EXPECT_EQ(window->text(QAccessible::Name), "Chart Viewer");
    using enum QAccessible::Role;
    const Child children[] = {
        {PushButton, "Print"}, {PushButton, "Exit"}, {Graphic, "Weekly Output"},
        {StaticText, "Weekly Output", {64, 8, 497, 41}}, {StaticText, "Week", {272, 400, 121, 17}},
        {StaticText, "Units", {0, 176, 65, 33}}, {StaticText, " 169", {16, 40, 41, 25}},
        {StaticText, " 162", {8, 80, 49, 25}}, {StaticText, " 155", {24, 120, 33, 25}},
        {StaticText, " 148", {16, 160, 41, 25}}, {StaticText, " 141", {16, 200, 41, 25}},
        {StaticText, " 134", {16, 240, 41, 25}}, {StaticText, " 127", {24, 280, 33, 25}},
        {StaticText, " 120", {16, 320, 41, 25}}, {StaticText, " 113", {16, 360, 41, 25}},
        // lblX2 repeats "W1" and so shows nothing: it is left out.
        {StaticText, "W1", {16, 376, 81, 17}}, {StaticText, "W2", {176, 376, 65, 17}},
        {StaticText, "W3", {256, 376, 65, 17}}, {StaticText, "W4", {328, 376, 57, 17}},
        {StaticText, "W5, late", {392, 376, 65, 17}}, {StaticText, "W6", {464, 376, 57, 17}},
        {StaticText, "W7", {536, 376, 65, 17}},
    };
    ASSERT_EQ(window->childCount(), std::ssize(children));
    for (int i = 0; i < window->childCount(); ++i) {
        QAccessibleInterface* child = window->child(i);
        EXPECT_EQ(child->role(), children[i].role) << i;
        EXPECT_EQ(child->text(QAccessible::Name), children[i].name) << i;
        EXPECT_EQ(window->indexOfChild(child), i);
        EXPECT_EQ(child->parent(), window) << i;
        if (children[i].role == StaticText) {
            QAccessibleTextInterface* text = child->textInterface();
            ASSERT_NE(text, nullptr) << i;
            EXPECT_EQ(text->text(0, text->characterCount()), children[i].name) << i;
            EXPECT_EQ(child->rect(), children[i].rect.translated(form->mapToGlobal(QPoint()))) << i;
        }
    }
}

struct BoxCase {
    const char* name;
    QByteArray chart;
    QString title;  // as the title label shows it
    QString description;
};
void PrintTo(const BoxCase& c, std::ostream* out) { *out << c.name; }

class ChartBox : public testing::TestWithParam<BoxCase> {};

TEST_P(ChartBox, IsAnImageNamedByTheTitleAndDescribedByTheSeries)
{
    const auto form = loaded<frmChart>(GetParam().chart);
    QAccessibleInterface* box = QAccessible::queryAccessibleInterface(&form->theChartBox);
    EXPECT_EQ(box->role(), QAccessible::Graphic);
    EXPECT_EQ(box->text(QAccessible::Name), GetParam().title);
    EXPECT_EQ(box->text(QAccessible::Description), GetParam().description);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(form.get())->child(3)->text(QAccessible::Name), GetParam().title);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChartBox,
    testing::Values(BoxCase{"Example", exampleFile, "Weekly Output", "5 points, y from 120 to 162"},
                    BoxCase{"FlatWithAccessKeys", "R&&D &costs\nX\nY\n3\n1,-7\n2,-7\n3,-7\nA,B,C,D,E,F,G,H\n",
                            "R&D costs", "3 points, y from -7 to -7"},
                    BoxCase{"OnePointAboveTheScaleStart", "T&\nX\nY\n1\n1,250000\nA,B,C,D,E,F,G,H\n", "T",
                            "1 point, y from 250000 to 250000"}),
    [](const auto& info) { return std::string(info.param.name); });

struct FormCase {
    const char* name;
    std::function<std::unique_ptr<runtime::Form>()> make;
    const runtime::FormDescription& description;
    std::size_t overlaps;  // pairs of labels
};
void PrintTo(const FormCase& c, std::ostream* out) { *out << c.name; }

class OverlappingLabels : public testing::TestWithParam<FormCase> {};

// Pixels where two pictures differ clearly.
QRegion differing(const QImage& a, const QImage& b, int by)
{
    QRegion region;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y))) > by)
                region += QRect(x, y, 1, 1);
    return region;
}

TEST_P(OverlappingLabels, LeaveEveryCaptionWhole)
{
    const auto form = GetParam().make();
    std::vector<std::string_view> overlapping;
    const auto& rows = GetParam().description.controls;
    for (auto a = rows.begin(); a != rows.end(); ++a)
        for (auto b = a + 1; b != rows.end(); ++b)
            if (a->kind == runtime::ControlKind::Label && b->kind == a->kind && a->other.container == b->other.container
                && QRect(a->left, a->top, a->width, a->height).intersects(QRect(b->left, b->top, b->width, b->height)))
                overlapping.insert(overlapping.end(), {a->name, b->name});
    EXPECT_EQ(overlapping.size(), 2 * GetParam().overlaps);
    for (const std::string_view name : overlapping) {
        runtime::Label& label = form->label(name);
        const std::string caption = label.caption().toStdString();
        // The caption's ink: what it adds to the form, and to its label painted alone.
        const auto pictures = [&] {
            QImage alone(form->grab().toImage().size(), QImage::Format_RGB32);
            alone.setDevicePixelRatio(form->devicePixelRatioF());
            alone.fill(Qt::white);
            QPainter painter(&alone);
            label.paint(painter, form->palette());
            return std::pair{form->grab().toImage(), alone};
        };
        const auto [shown, alone] = pictures();
        label.setCaption("");
        const auto [without, aloneWithout] = pictures();
        label.setCaption(caption);
        const QRegion ink = differing(alone, aloneWithout, 100);
        EXPECT_FALSE(ink.isEmpty()) << name;
        EXPECT_TRUE((ink - differing(shown, without, 50)).isEmpty()) << name << " \"" << caption << "\" is covered";
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, OverlappingLabels,
                         testing::Values(FormCase{"Window", [] { return loaded<frmChart>(exampleFile); }, frmChartDescription, 3},
                                         FormCase{"Page", [] { return loaded<prntFrm>(exampleFile); }, prntFrmDescription, 4}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
