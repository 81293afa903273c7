#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace runtime {

// Checks bytes for well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF) piece by piece: a character may span two pieces.
class Utf8Check {
public:
    void feed(std::string_view bytes);
    // Whether everything fed was UTF-8 and no character was left unfinished.
    bool valid() const { return valid_ && pending_ == 0; }

private:
    bool valid_ = true;
    int pending_ = 0;         // continuation bytes still to come
    std::uint32_t code_ = 0;  // the character so far
    std::uint32_t least_ = 0; // the least character its length may encode
};

// Each byte as the Latin-1 character of that number, written as UTF-8.
std::string latin1ToUtf8(std::string_view bytes);

}  // namespace runtime
