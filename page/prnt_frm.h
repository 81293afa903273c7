#pragma once

#include "chartview/chart_labels.h"

#include "runtime/forms/form.h"

#include <string>

// The printed page: never shown. Its load reads the chart file for itself
// and draws the frame, the grid and the series on its own surface, so that
// printing the form prints the chart. It has paper's colours (a white
// background, black text) whatever the desktop's theme.
class prntFrm final : public runtime::Form, public ChartLabels {
public:
    explicit prntFrm(std::string chartFile = chartdata::chartFileName);

    void Form_Load() override;

    runtime::ImageControl& customLogo;
    // On the page lblXAxis is the caption at the left of the plot and
    // lblYAxis the one under it: their contents follow their places.

private:
    std::string chartFile_;
};
