#include "frm_chart.h"

#include "frm_chart_description.h"

#include "chartdata/plot_fractions.h"
#include "runtime/error_report.h"
#include "runtime/picture.h"
#include "runtime/printing.h"
#include "runtime/program.h"
#include "runtime/sequential_file.h"

#include <algorithm>
#include <limits>

namespace {

// What a screen reader says of the chart box after its title. One plain
// pass: ten million values take some ten milliseconds.
QString seriesDescription(std::span<const std::int32_t> yValues)
{
    std::int32_t lowest = std::numeric_limits<std::int32_t>::max();
    std::int32_t highest = std::numeric_limits<std::int32_t>::min();
    for (const std::int32_t y : yValues) {
        lowest = std::min(lowest, y);
        highest = std::max(highest, y);
    }
    return QStringLiteral("%1 %2, y from %3 to %4")
        .arg(yValues.size())
        .arg(yValues.size() == 1 ? QStringLiteral("point") : QStringLiteral("points"))
        .arg(lowest)
        .arg(highest);
}

}  // namespace

frmChart::frmChart(std::string chartFile)
    : runtime::Form(frmChartDescription),
      ChartLabels(static_cast<const runtime::Form&>(*this)),
      theChartBox(pictureBox("theChartBox")),
      btnExit(commandButton("btnExit")),
      btnPrint(commandButton("btnPrint")),
      chartFile_(std::move(chartFile))
{
    connect(&btnPrint, &QPushButton::clicked, this, [this] { runtime::runEventProcedure([this] { btnPrint_Click(); }); });
    connect(&btnExit, &QPushButton::clicked, this, [this] { runtime::runEventProcedure([this] { btnExit_Click(); }); });
}

void frmChart::Form_Load()
{
    runtime::SequentialFile file(chartFile_);
    const chartdata::PlotFractions fractions = readChartAndFillLabels(file, lblYAxis, lblXAxis);

    const float h = theChartBox.Height();
    const float w = theChartBox.Width();
    const auto x = [&](std::size_t j) { return static_cast<float>(w * fractions.x(j)); };
    const auto y = [&](std::size_t j) { return static_cast<float>(h - h * fractions.y(j)); };
    const runtime::Colour seriesColour = runtime::rgb(200, 10, 10);
    theChartBox.setDrawWidth(3);
    // Each point is worked out once and carried to the next segment.
    float x1 = x(0);
    float y1 = y(0);
    for (std::size_t i = 1; i < fractions.size(); ++i) {
        const float x2 = x(i);
        const float y2 = y(i);
        theChartBox.line(x1, y1, x2, y2, seriesColour);
        x1 = x2;
        y1 = y2;
    }
    theChartBox.setDrawWidth(1);
    theChartBox.setAccessibleText(lblTitle.shownCaption(), seriesDescription(fractions.yValues()));
}

prntFrm& frmChart::page()
{
    if (!page_)
        page_ = std::make_unique<prntFrm>(chartFile_);
    // The first touch loads the page; its failure goes to the caller.
    page_->load();
    return *page_;
}

void frmChart::btnPrint_Click()
{
    try {
        prntFrm& loaded = page();
        loaded.customLogo.setPicture(runtime::loadPicture(logoFileName));
        runtime::printForm(loaded);
        return;
    } catch (const std::exception&) {
        // The continuation point: the page is printed as far as it got, and
        // a print that failed in the normal flow is tried once more. A
        // failure from here on is not trapped; the runtime reports it.
    }
    if (!page_)
        page_ = std::make_unique<prntFrm>(chartFile_);
    // A page whose load failed is printed once, then dropped, so that the
    // next Print loads it afresh from the file the user may have mended.
    const std::unique_ptr<prntFrm> unloaded = page_->isLoaded() ? nullptr : std::move(page_);
    runtime::printForm(unloaded ? *unloaded : *page_);
}

void frmChart::btnExit_Click() { runtime::endProgram(); }
