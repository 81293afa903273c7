#include "chartview/chart_labels.h"

#include "chartdata/series_points.h"
#include "runtime/text/sequential_file.h"

ChartLabels::ChartLabels(const runtime::Form& form)
    : lblTitle(form.label("lblTitle")),
      lblXAxis(form.label("lblXAxis")),
      lblYAxis(form.label("lblYAxis")),
      lblX1(form.label("lblX1")),
      lblX2(form.label("lblX2")),
      lblX3(form.label("lblX3")),
      lblX4(form.label("lblX4")),
      lblX5(form.label("lblX5")),
      lblX6(form.label("lblX6")),
      lblX7(form.label("lblX7")),
      lblX8(form.label("lblX8")),
      lblY1(form.label("lblY1")),
      lblY2(form.label("lblY2")),
      lblY3(form.label("lblY3")),
      lblY4(form.label("lblY4")),
      lblY5(form.label("lblY5")),
      lblY6(form.label("lblY6")),
      lblY7(form.label("lblY7")),
      lblY8(form.label("lblY8")),
      lblY9(form.label("lblY9"))
{
}

ChartSeries ChartLabels::readChartAndFillLabels(runtime::SequentialFile& file, runtime::Label& leftCaption,
                                                runtime::Label& bottomCaption, PlotPlacement area)
{
    chartdata::ChartData data;
    ChartSeries series = readSeriesCutting(file, data, area, [&] {
        lblTitle.setCaption(data.title);
        leftCaption.setCaption(data.yAxisCaption);
        bottomCaption.setCaption(data.xAxisCaption);
    });
    fillXTickLabels(data.xTickCaptions);
    fillYTickLabels(series.points.summary().yRange);
    series.scale = chartdata::seriesScale(series.points, data);
    return series;
}

void ChartLabels::fillXTickLabels(const std::array<std::string, 8>& xTickCaptions)
{
    runtime::setCaptions({&lblX1, &lblX2, &lblX3, &lblX4, &lblX5, &lblX6, &lblX7, &lblX8},
                         chartdata::xTickLabelCaptions(xTickCaptions));
}

void ChartLabels::fillYTickLabels(chartdata::YRange range)
{
    runtime::setCaptions({&lblY1, &lblY2, &lblY3, &lblY4, &lblY5, &lblY6, &lblY7, &lblY8, &lblY9},
                         chartdata::yTickLabelCaptions(range));
}
