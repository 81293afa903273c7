#include "app/frm_chart.h"

#include "app/frm_chart_description.h"

#include "chartview/chart_series.h"
#include "runtime/error/runtime_error.h"
#include "runtime/forms/error_report.h"
#include "runtime/forms/picture.h"
#include "runtime/printing/printing.h"
#include "runtime/forms/run_forms.h"
#include "runtime/text/sequential_file.h"

#include <QShortcut>

#include <utility>

namespace {

// What a screen reader says of the chart box after its title.
QString seriesDescription(const chartdata::SeriesSummary& series)
{
    return QStringLiteral("%1 %2, y from %3 to %4")
        .arg(series.count)
        .arg(series.count == 1 ? QStringLiteral("point") : QStringLiteral("points"))
        .arg(series.lowest)
        .arg(series.highest);
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
    // The keys every desktop viewer has (Ctrl+P, Ctrl+Q, Ctrl+W), each as its button.
    const std::pair<QKeySequence::StandardKey, QPushButton*> keys[] = {
        {QKeySequence::Print, &btnPrint}, {QKeySequence::Quit, &btnExit}, {QKeySequence::Close, &btnExit}};
    for (const auto& [key, button] : keys)
        connect(new QShortcut(key, this), &QShortcut::activated, button, &QPushButton::click);
}

void frmChart::Form_Load()
{
    runtime::SequentialFile file(chartFile_);
    const PlotPlacement area{0, 0, theChartBox.Width(), theChartBox.Height()};
    ChartSeries series = readChartAndFillLabels(file, lblYAxis, lblXAxis, area);
    drawSeries(theChartBox, area, series);
    // A screen reader reads the box as an image: named by the title, described by the series.
    theChartBox.setAccessibleName(lblTitle.shownCaption());
    theChartBox.setAccessibleDescription(seriesDescription(series.points.summary()));
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
    runtime::Delivery delivery{};
    try {
        prntFrm& loaded = page();
        loaded.customLogo.setPicture(runtime::loadPicture(logoFileName));
        delivery = runtime::printForm(loaded);
    } catch (const std::exception&) {
        // The continuation point: the page is printed as far as it got, and
        // a print that failed in the normal flow is tried once more. A
        // failure from here on is not trapped; the runtime reports it.
        if (!page_)
            page_ = std::make_unique<prntFrm>(chartFile_);
        // A page whose load failed is printed once, then dropped, so that the
        // next Print loads it afresh from the file the user may have mended.
        const std::unique_ptr<prntFrm> unloaded = page_->isLoaded() ? nullptr : std::move(page_);
        delivery = runtime::printForm(unloaded ? *unloaded : *page_);
    }
    // The page went to the spooler, which did not say whether it took it:
    // sending it again could give a second page, so the user is told instead.
    if (delivery == runtime::Delivery::Unconfirmed)
        throw runtime::RuntimeError(runtime::unconfirmedPrint);
}

void frmChart::btnExit_Click() { runtime::endProgram(); }
