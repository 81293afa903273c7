#pragma once

#include <string>
#include <string_view>

namespace runtime {

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool isValidUtf8(std::string_view bytes);

// Each byte as the Latin-1 character of that number, written as UTF-8.
std::string latin1ToUtf8(std::string_view bytes);

}  // namespace runtime
