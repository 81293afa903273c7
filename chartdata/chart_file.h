#pragma once

#include "chartdata/chart_data.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

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

// What takes points as they are read: the index of the first and the
// values of each batch in turn.
using TakePoints = std::function<void(std::size_t first, std::span<const std::int32_t> x, std::span<const std::int32_t> y)>;
// Points handed on as they are read, `rows` at a time, instead of kept.
struct PointStream {
    std::size_t rows;
    TakePoints take;
};
// The points are kept in data.xValues and data.yValues, or, with a stream,
// handed to it and not kept.
void readPointsAndTickCaptions(runtime::SequentialFile& file, ChartData& data, const PointStream* stream = nullptr);
void decodeTexts(const runtime::SequentialFile& file, ChartData& data);

// A chart needs at least one point; checked once the file is closed.
// Fails with the line of the count.
void checkFirstPoint(const ChartData& data);

}  // namespace chartdata
