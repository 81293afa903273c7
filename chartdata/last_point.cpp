#include "chartdata/last_point.h"

#include "chartdata/chart_file.h"

#include "runtime/error/runtime_error.h"
#include "runtime/text/sequential_file.h"

#include <string>

namespace chartdata {
namespace {

bool isLineEnd(char c) { return c == '\n' || c == '\r'; }

}  // namespace

std::optional<std::int32_t> lastXOfTail(std::string_view tail)
{
    // The point and its captions take a few lines at most; the tail's first
    // line may be cut, so only lines that begin after a line end count.
    constexpr int linesLookedAt = 16;
    int lines = 0;
    for (std::size_t at = tail.size(); at-- > 1 && lines < linesLookedAt;) {
        if (!isLineEnd(tail[at - 1]) || isLineEnd(tail[at]))
            continue;
        ++lines;
        // Read by the file's own rules, as the points of a chart of one.
        const std::string_view rest = tail.substr(at);
        const std::string count = "1\n";
        runtime::SequentialFile file("the end of the chart", count + std::string(rest));
        ChartData point;
        try {
            readPointsAndTickCaptions(file, point);
        } catch (const runtime::RuntimeError&) {
            continue;
        }
        // Starting any earlier leaves more after the captions.
        if (rest.find_first_not_of(" \t\r\n", file.position() - count.size()) != std::string_view::npos)
            return std::nullopt;
        return point.xValues.front();
    }
    return std::nullopt;
}

}  // namespace chartdata
