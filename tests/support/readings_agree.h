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

// The plainest reading: the steps the forms take, the points kept in the
// result and nothing read twice.
chartdata::ChartData readChartData(runtime::SequentialFile& file);

// The bytes as chart.dat, written into the current folder: read from memory
// one number at a time and kept, and in bulk: from memory, scanned on the
// reader's thread or in blocks on a second one, kept; and as the forms read,
// twice, from the file through a small buffer whose edges then fall
// everywhere and through a large one, the points handed on in batches. Aborts,
// printing both, unless all readings agree; so do the scans of plain fields
// against plainField one at a time.
void expectReadingsAgree(std::string_view bytes);

}  // namespace testsupport
