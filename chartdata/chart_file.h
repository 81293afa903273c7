#pragma once

#include "chart_data.h"

namespace runtime {
class SequentialFile;
}

namespace chartdata {

// The chart file is read in two steps, because a form puts the three caption
// lines on its labels before it reads on:
//
//   line 1          title                 (whole line, verbatim)
//   line 2          x-axis caption        (whole line, verbatim)
//   line 3          y-axis caption        (whole line, verbatim)
//   then fields:    n, then n pairs "x, y", then 8 x tick captions
//
// Any failure is a runtime::RuntimeError naming the file, the line and what
// was being read. The texts come as the file holds them; decodeTexts makes
// them UTF-8 once the character set is known from all that was read (so
// that nothing after the eighth caption can change it).
void readCaptionLines(runtime::SequentialFile& file, ChartData& data);
void readPointsAndTickCaptions(runtime::SequentialFile& file, ChartData& data);
void decodeTexts(const runtime::SequentialFile& file, ChartData& data);

// A chart needs at least one point; checked once the file is closed.
void checkFirstPoint(const ChartData& data);

// The whole reading: both steps, the close, the texts and the check.
ChartData readChartData(runtime::SequentialFile& file);

}  // namespace chartdata
