#pragma once

#include <string>
#include <string_view>

namespace runtime {

// Writes a value by a picture of '#' digit places and an optional point, as
// "#####.#": rounded to the picture's decimals (halves away from zero), a "-"
// when the rounded value is negative, the integer digits without leading
// zeros (none for 0, all of them when there are more than the picture has),
// the point always, then the decimals without trailing zeros.
std::string formatNumber(double value, std::string_view picture);

// The text read back as a number and written in its plain signed form: a
// blank or "-", the integer digits without leading zeros (none for a value
// below 1), then "." and the decimals only when there are any. " 12.3",
// "-10", " .5". Text that holds no number, such as ".", is an error.
std::string plainNumberText(std::string_view text);

}  // namespace runtime
