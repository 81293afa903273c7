#pragma once

#include "runtime/form.h"

// The printed page: never shown. Its load reads the chart file for itself
// and draws the frame, the grid and the series on its own surface, so that
// printing the form prints the chart.
class prntFrm final : public runtime::Form {
public:
    prntFrm();

    void Form_Load() override;

    runtime::ImageControl& customLogo;
    runtime::Label& lblTitle;
    runtime::Label& lblXAxis;  // the caption at the left of the plot
    runtime::Label& lblYAxis;  // the caption under the plot
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
