#pragma once

#include "prnt_frm.h"

#include "runtime/form.h"

#include <memory>

// The chart window: the start-up form. Its load reads the chart file, fills
// the labels and draws the series into the chart box; its two buttons print
// the chart and end the program.
class frmChart final : public runtime::Form {
public:
    frmChart();

    void Form_Load() override;
    void btnPrint_Click();
    void btnExit_Click();

    runtime::PictureBox& theChartBox;
    QPushButton& btnExit;
    QPushButton& btnPrint;
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

private:
    // The page, created and loaded at the first touch.
    prntFrm& page();

    // The program's one reference to the page: set at the first Print.
    std::unique_ptr<prntFrm> page_;
};

// The logo that every Print puts on the page.
inline constexpr const char* logoFileName = "images/customlogo.bmp";
