#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace chartdata {

// The name the chart is always read from, in the current directory.
inline constexpr const char* chartFileName = "chart.dat";

// What one reading of the chart file yields. The values are kept 0-based:
// point i of the file (1..n) is element i - 1.
struct ChartData {
    std::string title;
    std::string xAxisCaption;
    std::string yAxisCaption;
    std::int32_t pointCount = 0;
    std::vector<std::int32_t> xValues;
    std::vector<std::int32_t> yValues;
    std::array<std::string, 8> xTickCaptions;

    // Where the data came from, for error messages after the file is closed.
    std::string source;
    std::int64_t countLine = 0;
    std::int64_t lastPointLine = 0;

    bool operator==(const ChartData&) const = default;
};

}  // namespace chartdata
