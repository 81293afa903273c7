#pragma once

#include <string>
#include <string_view>

namespace runtime {

// Writes a value by the picture "#####.#", the one the charts use: rounded
// to tenths (halves away from zero), a "-" when the rounded value is
// negative, the integer digits without leading zeros (none for 0, all of
// them when there are more than five), the point always, then the tenth
// unless it is 0.
std::string formatNumber(double value, std::string_view picture);

// The text read back as a number and written in its plain signed form: a
// blank or "-", the integer digits without leading zeros (none for a value
// below 1), then "." and the decimals only when there are any. " 12.3",
// "-10", " .5". Text that holds no number, such as ".", is an error.
std::string plainNumberText(std::string_view text);

}  // namespace runtime
