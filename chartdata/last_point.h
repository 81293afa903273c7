#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace chartdata {

// How many bytes at a chart file's end are looked at for its last point.
inline constexpr std::size_t lastPointTailBytes = 4096;

// The x value of the last point, as the end of a chart file suggests it
// before the file is read: the last line from which a point and the eight
// captions read to the end, but for blanks and line ends. A guess, for
// drawing while reading: nothing is taken from it unless the reading finds
// the same value.
std::optional<std::int32_t> lastXOfTail(std::string_view tail);

}  // namespace chartdata
