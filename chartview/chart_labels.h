#pragma once

#include "chartview/chart_series.h"

#include "chartdata/axis_scale.h"
#include "runtime/forms/form.h"

#include <array>
#include <string>

// The labels that the window and the page both carry, under the same names,
// and the two operations that fill the tick labels by the chart's rules.
// Where each label stands, and which caption goes to which axis label, is
// each form's own.
class ChartLabels {
public:
    explicit ChartLabels(const runtime::Form& form);

    // Reads the chart file through and fills the labels, as both forms do:
    // the title, the y-axis caption (at the left of the plot), the x-axis
    // caption (under it), then the tick labels by the chart's rules. Closes
    // the file; gives the series for drawing in `area`.
    ChartSeries readChartAndFillLabels(runtime::SequentialFile& file, runtime::Label& leftCaption,
                                       runtime::Label& bottomCaption, PlotPlacement area);

    // lblX1 to lblX8, a caption that repeats the one before it left blank.
    void fillXTickLabels(const std::array<std::string, 8>& xTickCaptions);
    // lblY1 (bottom) to lblY9 (top), from the y range.
    void fillYTickLabels(chartdata::YRange range);

    runtime::Label& lblTitle;
    runtime::Label& lblXAxis;
    runtime::Label& lblYAxis;
    runtime::Label& lblX1;
    runtime::Label& lblX2;
    runtime::Label& lblX3;
    runtime::Label& lblX4;
    runtime::Label& lblX5;
    runtime::Label& lblX6;
    runtime::Label& lblX7;
    runtime::Label& lblX8;
    runtime::Label& lblY1;
    runtime::Label& lblY2;
    runtime::Label& lblY3;
    runtime::Label& lblY4;
    runtime::Label& lblY5;
    runtime::Label& lblY6;
    runtime::Label& lblY7;
    runtime::Label& lblY8;
    runtime::Label& lblY9;
};
