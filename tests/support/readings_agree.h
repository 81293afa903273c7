#pragma once
// The reader's own oracle: every way of reading a chart must give what
// reading it once, one number at a time, gives. The fuzz target runs this on
// arbitrary bytes, the tests on a table of awkward files.
#include "chartdata/chart_data.h"

#include <string_view>

namespace runtime {
class SequentialFile;
}

namespace testsupport {

// The whole reading, the points kept in the result.
chartdata::ChartData readChartData(runtime::SequentialFile& file);

// The bytes as chart.dat, written into the current folder: read one number
// at a time, and in bulk: whole records from the buffer, from a file through
// a small buffer whose edges then fall everywhere and through a large one,
// and with the run of numbers read ahead on a second thread; and twice, as
// the forms read a long file, the points handed on as they are read. Aborts,
// printing both, unless all readings agree; so do the scans of plain fields
// against plainField one at a time.
void expectReadingsAgree(std::string_view bytes);

}  // namespace testsupport
