#pragma once

#include <cstdint>
#include <string>

namespace bench {

// Writes a chart file of n points: x = 1..n, y a random walk from a fixed
// seed, so that every run measures the same bytes. Returns the file's size;
// throws std::runtime_error when the file cannot be written.
std::uint64_t writeChartFile(const std::string& path, std::int64_t n, std::uint64_t seed = 1);

}  // namespace bench
