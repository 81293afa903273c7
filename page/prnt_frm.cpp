#include "prnt_frm.h"

#include "prnt_frm_description.h"

#include "chartdata/plot_fractions.h"
#include "runtime/sequential_file.h"

prntFrm::prntFrm(std::string chartFile)
    : runtime::Form(prntFrmDescription),
      ChartLabels(static_cast<const runtime::Form&>(*this)),
      customLogo(image("customLogo")),
      chartFile_(std::move(chartFile))
{
}

void prntFrm::Form_Load()
{
    runtime::SequentialFile file(chartFile_);
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

    // The file's y-axis caption goes to the left of the plot, its x-axis caption under it.
    const chartdata::PlotFractions fractions = readChartAndFillLabels(file, lblXAxis, lblYAxis);

    const auto x = [&](std::size_t j) { return f(area.left + area.width * fractions.x(j)); };
    const auto y = [&](std::size_t j) { return f(area.top + (area.height - area.height * fractions.y(j))); };
    const runtime::Colour seriesColour = runtime::rgb(200, 10, 10);
    setDrawWidth(3);
    // Each point is worked out once and carried to the next segment.
    float x1 = x(0);
    float y1 = y(0);
    for (std::size_t i = 1; i < fractions.size(); ++i) {
        const float x2 = x(i);
        const float y2 = y(i);
        line(x1, y1, x2, y2, seriesColour);
        x1 = x2;
        y1 = y2;
    }
    setDrawWidth(1);
}
