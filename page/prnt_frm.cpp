#include "page/prnt_frm.h"

#include "page/prnt_frm_description.h"

#include "chartview/chart_series.h"
#include "chartview/plot_area.h"
#include "runtime/text/sequential_file.h"

prntFrm::prntFrm(std::string chartFile)
    : runtime::Form(prntFrmDescription),
      ChartLabels(static_cast<const runtime::Form&>(*this)),
      customLogo(image("customLogo")),
      chartFile_(std::move(chartFile))
{
    // Paper is white: the page takes no colour from the desktop's theme, so
    // that a dark theme does not print a dark page with pale captions.
    setPalette(runtime::paperPalette());
}

void prntFrm::Form_Load()
{
    runtime::SequentialFile file(chartFile_);
    const PlotArea& area = plotArea;
    const auto f = [](int twips) { return static_cast<float>(twips); };

    // Frame and grid come first, so that a page whose reading fails still prints them.
    setPersistentDrawing(true);
    setForeColour(runtime::black);
    rectangle(f(area.left), f(area.top), f(area.left + area.width), f(area.top + area.height));
    for (int k = area.gridLines; k >= 1; --k) {
        const int y = area.top + area.gridY(k);
        line(f(area.left), f(y), f(area.left + area.gridLength), f(y));
    }

    // The file's y-axis caption goes to the left of the plot, its x-axis caption under it.
    const PlotPlacement placement{area.left, area.top, area.width, area.height};
    ChartSeries series = readChartAndFillLabels(file, lblXAxis, lblYAxis, placement);
    drawSeries(*this, placement, series);
}
