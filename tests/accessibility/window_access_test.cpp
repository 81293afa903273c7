// Both forms in-process: where labels overlap, every caption stays whole.
#include "frm_chart.h"
#include "frm_chart_description.h"
#include "prnt_frm_description.h"

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
