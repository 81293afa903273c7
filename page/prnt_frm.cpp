#include "prnt_frm.h"

#include "prnt_frm_description.h"

#include "chartdata/axis_scale.h"
#include "chartdata/chart_file.h"
#include "chartdata/plot_fractions.h"
#include "runtime/sequential_file.h"

prntFrm::prntFrm()
    : runtime::Form(prntFrmDescription),
      customLogo(image("customLogo")),
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
}

void prntFrm::Form_Load()
{
    runtime::SequentialFile file(chartdata::chartFileName);
    const PagePlotArea& area = pagePlotArea;
    const auto f = [](double twips) { return static_cast<float>(twips); };

    // Frame and grid come first, so that a page whose reading fails still prints them.
    setPersistentDrawing(true);
    setForeColour(runtime::black);
    rectangle(f(area.left), f(area.top), f(area.left + area.width), f(area.top + area.height));
    for (int k = area.gridLines; k >= 1; --k) {
        const double y = area.top + area.gridPitch * k;
        line(f(area.left), f(y), f(area.left + area.gridLength), f(y));
    }

    chartdata::ChartData data;
    chartdata::readCaptionLines(file, data);
    lblTitle.setCaption(data.title);
    lblXAxis.setCaption(data.yAxisCaption);
    lblYAxis.setCaption(data.xAxisCaption);
    chartdata::readPointsAndTickCaptions(file, data);
    file.close();
    chartdata::checkFirstPoint(data);

    runtime::setCaptions({&lblX1, &lblX2, &lblX3, &lblX4, &lblX5, &lblX6, &lblX7, &lblX8},
                         chartdata::xTickLabelCaptions(data.xTickCaptions));
    const chartdata::YRange yRange = chartdata::findYRange(data.yValues);
    runtime::setCaptions({&lblY1, &lblY2, &lblY3, &lblY4, &lblY5, &lblY6, &lblY7, &lblY8, &lblY9},
                         chartdata::yTickLabelCaptions(yRange));
    const chartdata::PlotFractions fractions = chartdata::plotFractions(data, chartdata::axisRange(yRange));
    data = {};  // the values are not needed past here; a long series should not hold them twice

    const auto x = [&](std::size_t j) { return f(area.left + area.width * fractions.x[j]); };
    const auto y = [&](std::size_t j) { return f(area.top + (area.height - area.height * fractions.y[j])); };
    const runtime::Colour seriesColour = runtime::rgb(200, 10, 10);
    setDrawWidth(3);
    expectLines(fractions.x.size());
    for (std::size_t i = 0; i + 1 < fractions.x.size(); ++i)
        line(x(i), y(i), x(i + 1), y(i + 1), seriesColour);
    setDrawWidth(1);
}
