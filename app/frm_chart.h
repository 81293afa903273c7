#pragma once

#include "chartview/chart_labels.h"
#include "page/prnt_frm.h"

#include "runtime/forms/form.h"

#include <memory>
#include <string>

// The chart window: the start-up form. Its load reads the chart file, fills
// the labels and draws the series into the chart box; its two buttons print
// the chart and end the program.
class frmChart final : public runtime::Form, public ChartLabels {
public:
    // The chart file it reads; the page reads the same one.
    explicit frmChart(std::string chartFile = chartdata::chartFileName);

    void Form_Load() override;
    void btnPrint_Click();
    void btnExit_Click();

    runtime::PictureBox& theChartBox;
    QPushButton& btnExit;
    QPushButton& btnPrint;

private:
    // The page, created and loaded at the first touch.
    prntFrm& page();

    // The program's one reference to the page: set at the first Print.
    std::unique_ptr<prntFrm> page_;
    std::string chartFile_;
};

// The logo that every Print puts on the page.
inline constexpr const char* logoFileName = "images/customlogo.bmp";
