// Both forms in-process: what a screen reader is told of the chart, and
// where labels overlap, every caption stays whole. (The window's children as
// a screen reader reads them are checked over the bus, in screen_reader_test.py.)
#include "app/frm_chart.h"
#include "app/frm_chart_description.h"
#include "page/prnt_frm_description.h"
#include "tests/support/pixels.h"
#include "tests/support/work_folder.h"

#include <QAccessible>
#include <QPainter>

#include <gtest/gtest.h>

#include <set>

namespace {

using testsupport::differing;
using testsupport::exampleChart;
using testsupport::loaded;

TEST(ChartBox, IsNamedByTheTitleAndDescribedByTheSeries)
{
    // The title as its label shows it. (The example's is read over the bus.)
    const struct { std::string chart; QString title, description; } cases[] = {
        {"R&&D &costs\nX\nY\n3\n1,-7\n2,-7\n3,-7\nA,B,C,D,E,F,G,H\n", "R&D costs", "3 points, y from -7 to -7"},
        {"T&\nX\nY\n1\n1,250000\nA,B,C,D,E,F,G,H\n", "T", "1 point, y from 250000 to 250000"},
    };
    for (const auto& c : cases) {
        const auto form = loaded<frmChart>(c.chart);
        QAccessibleInterface* box = QAccessible::queryAccessibleInterface(&form->theChartBox);
        EXPECT_EQ(box->text(QAccessible::Name), c.title);
        EXPECT_EQ(box->text(QAccessible::Description), c.description) << c.title.toStdString();
        EXPECT_EQ(QAccessible::queryAccessibleInterface(form.get())->child(3)->text(QAccessible::Name), c.title);
    }
}

TEST(OverlappingLabels, LeaveEveryCaptionWholeOnBothForms)
{
    // With the number of labels that overlap another.
    using runtime::FormDescription;
    const struct { std::unique_ptr<runtime::Form> form; const FormDescription& description; std::size_t count; }
        forms[] = {
        {loaded<frmChart>(exampleChart), frmChartDescription, 5},
        {loaded<prntFrm>(exampleChart), prntFrmDescription, 7},
    };
    for (const auto& [form, description, count] : forms) {
        std::set<std::string_view> overlapping;
        for (auto a = description.controls.begin(); a != description.controls.end(); ++a)
            for (auto b = a + 1; b != description.controls.end(); ++b)
                if (a->kind == runtime::ControlKind::Label && b->kind == a->kind
                    && a->other.container == b->other.container
                    && QRect(a->left, a->top, a->width, a->height).intersects({b->left, b->top, b->width, b->height}))
                    overlapping.insert({a->name, b->name});
        EXPECT_EQ(overlapping.size(), count) << description.name;
        for (const std::string_view name : overlapping) {
            runtime::Label& label = form->label(name);
            const auto alone = [&, form = form.get()] {  // the label painted by itself, on white
                QImage picture = form->grab().toImage();
                picture.fill(Qt::white);
                QPainter painter(&picture);
                label.paint(painter, form->palette());
                return picture;
            };
            const QImage shown = form->grab().toImage(), shownAlone = alone();
            label.setCaption("");
            // All the caption's ink, as painted alone, shows on the form.
            const QRegion ink = differing(shownAlone, alone(), 100);
            EXPECT_FALSE(ink.isEmpty()) << name;
            EXPECT_TRUE((ink - differing(shown, form->grab().toImage(), 50)).isEmpty())
                << description.name << " " << name << "'s caption is covered";
        }
    }
}

}  // namespace
