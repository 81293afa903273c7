// Arbitrary bytes as chart.dat, through the reading and every rule that
// works on what was read. A RuntimeError is the expected answer to bad
// input; anything else (a crash, undefined behaviour, a huge allocation) is
// a finding.
#include "chartdata/axis_scale.h"
#include "chartdata/chart_file.h"
#include "chartdata/plot_fractions.h"
#include "runtime/runtime_error.h"
#include "runtime/sequential_file.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        runtime::SequentialFile file("chart.dat", {reinterpret_cast<const char*>(data), size});
        const chartdata::ChartData chart = chartdata::readChartData(file);
        chartdata::xTickLabelCaptions(chart.xTickCaptions);
        const chartdata::YRange range = chartdata::findYRange(chart.yValues);
        chartdata::yTickLabelCaptions(range);
        chartdata::plotFractions(chart, chartdata::axisRange(range));
    } catch (const runtime::RuntimeError&) {
    }
    return 0;
}
