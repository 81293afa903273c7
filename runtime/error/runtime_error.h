#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace runtime {

// A line of a file, 1 for the first: a file may hold more than 2^31 lines.
using LineNumber = std::int64_t;

// The one error type of the runtime: what failed and, where it applies, the
// file, the line and what was being read. Its what() is the report's text.
class RuntimeError : public std::runtime_error {
public:
    explicit RuntimeError(const std::string& problem, const std::string& file = {}, LineNumber line = 0,
                          const std::string& reading = {});
};

// The offending text as every report quotes it: its first `excerptLength`
// characters, then "…" when there is more, with control bytes escaped
// (\x00), so that a report stays short whatever a file holds. A character
// is a byte and the UTF-8 continuation bytes after it, three at most.
inline constexpr std::size_t excerptLength = 40;
std::string excerpt(std::string_view text);

}  // namespace runtime
