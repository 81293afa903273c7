#include "frm_chart.h"

#include "frm_chart_description.h"

#include "chartdata/axis_scale.h"
#include "chartdata/chart_file.h"
#include "chartdata/plot_fractions.h"
#include "runtime/error_report.h"
#include "runtime/program.h"
#include "runtime/sequential_file.h"

frmChart::frmChart()
    : runtime::Form(frmChartDescription),
      theChartBox(pictureBox("theChartBox")),
      btnExit(commandButton("btnExit")),
      btnPrint(commandButton("btnPrint")),
      lblTitle(label("lblTitle")),
      lblXAxis(label("lblXAxis")),
      lblYAxis(label("lblYAxis")),
      lblX1(label("lblX1")),
      lblX2(label("lblX2")),
      lblX3(label("lblX3")),
      lblX4(label("lblX4")),
      lblX5(label("lblX5")),
      lblX6(label("lblX6")),
      lblX7(label("lblX7")),
      lblX8(label("lblX8")),
      lblY1(label("lblY1")),
      lblY2(label("lblY2")),
      lblY3(label("lblY3")),
      lblY4(label("lblY4")),
      lblY5(label("lblY5")),
      lblY6(label("lblY6")),
      lblY7(label("lblY7")),
      lblY8(label("lblY8")),
      lblY9(label("lblY9"))
{
    connect(&btnPrint, &QPushButton::clicked, this, [this] { runtime::runEventProcedure([this] { btnPrint_Click(); }); });
    connect(&btnExit, &QPushButton::clicked, this, [this] { runtime::runEventProcedure([this] { btnExit_Click(); }); });
}

void frmChart::Form_Load()
{
    runtime::SequentialFile file(chartdata::chartFileName);
    chartdata::ChartData data;
    chartdata::readCaptionLines(file, data);
    lblTitle.setCaption(data.title);
    lblYAxis.setCaption(data.yAxisCaption);
    lblXAxis.setCaption(data.xAxisCaption);
    chartdata::readPointsAndTickCaptions(file, data);
    file.close();
    chartdata::checkFirstPoint(data);

    fillXTickLabels(chartdata::xTickLabelCaptions(data.xTickCaptions));
    const chartdata::YRange yRange = chartdata::findYRange(data.yValues);
    fillYTickLabels(chartdata::yTickLabelCaptions(yRange));
    const chartdata::PlotFractions fractions = chartdata::plotFractions(data, chartdata::axisRange(yRange));

    const float h = theChartBox.Height();
    const float w = theChartBox.Width();
    const auto x = [&](std::size_t j) { return static_cast<float>(w * fractions.x[j]); };
    const auto y = [&](std::size_t j) { return static_cast<float>(h - h * fractions.y[j]); };
    const runtime::Colour seriesColour = runtime::rgb(200, 10, 10);
    theChartBox.setDrawWidth(3);
    for (std::size_t i = 0; i + 1 < fractions.x.size(); ++i)
        theChartBox.line(x(i), y(i), x(i + 1), y(i + 1), seriesColour);
    theChartBox.setDrawWidth(1);
}

void frmChart::fillXTickLabels(const std::array<std::string, 8>& captions)
{
    runtime::Label* const labels[] = {&lblX1, &lblX2, &lblX3, &lblX4, &lblX5, &lblX6, &lblX7, &lblX8};
    for (std::size_t k = 0; k < captions.size(); ++k)
        labels[k]->setCaption(captions[k]);
}

void frmChart::fillYTickLabels(const std::array<std::string, 9>& captions)
{
    runtime::Label* const labels[] = {&lblY1, &lblY2, &lblY3, &lblY4, &lblY5, &lblY6, &lblY7, &lblY8, &lblY9};
    for (std::size_t k = 0; k < captions.size(); ++k)
        labels[k]->setCaption(captions[k]);
}

void frmChart::btnPrint_Click() {}

void frmChart::btnExit_Click() { runtime::endProgram(); }
