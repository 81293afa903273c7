#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace runtime {

// The plain form of a number field, which most files hold throughout and
// which reads the same whatever comes before it: an optional minus, one to
// ten digits, a value in the 32-bit range, then a comma, LF or CR LF.
// Everything else takes the reader's careful path.

struct Digits {
    std::int64_t value;
    std::size_t count;
};

// A text in a buffer ends in this many zero bytes, so that leadingDigits
// may read eight bytes from any place up to its end.
inline constexpr std::size_t zerosAfterText = 8;
inline void endText(char* end) { std::memset(end, 0, zerosAfterText); }

// The run of decimal digits at `data`, ten at most, and its value: what a
// loop over the digits one by one finds, but the first eight are found and
// converted at once, without a branch per digit. `data` lies in a text
// ended by endText.
[[gnu::always_inline]] inline Digits leadingDigits(const char* data)
{
    constexpr std::size_t most = 10;
    std::int64_t value = 0;
    std::size_t count = 0;
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t ones = 0x0101010101010101;
        std::uint64_t word;
        std::memcpy(&word, data, sizeof word);
        // Each byte less '0': a digit's value below 10. A borrow or carry
        // between bytes comes only out of a byte that is no digit, and goes
        // only to later bytes, so the first such byte is found right.
        const std::uint64_t values = word - '0' * ones;
        const std::uint64_t notDigits = (values | (values + (0x80 - 10) * ones)) & (0x80 * ones);
        count = notDigits ? static_cast<std::size_t>(std::countr_zero(notDigits)) / 8 : 8;
        if (count > 0) {
            // The digits moved up to the word's end, zeros before them, then
            // pairs, fours and eights of them combined.
            std::uint64_t v = (values << (64 - 8 * count)) & (0x0F * ones);
            v = (v * (1 + (10 << 8))) >> 8 & 0x00FF00FF00FF00FF;
            v = (v * (1 + (100 << 16))) >> 16 & 0x0000FFFF0000FFFF;
            value = static_cast<std::int64_t>((v * (1 + (std::uint64_t{10000} << 32))) >> 32);
        }
        if (count < 8)
            return {value, count};
    }
    while (count < most && static_cast<unsigned char>(data[count] - '0') < 10)
        value = value * 10 + (data[count++] - '0');
    return {value, count};
}

struct PlainField {
    std::int32_t value;
    bool endsLine;
    std::size_t length;  // separator included; 0 when the bytes are no field of the plain form
};

// An optional minus, ten digits, CR LF.
inline constexpr std::size_t longestPlainField = 13;

// The field at the start of `data`, a text of `size` bytes ended by endText.
[[gnu::always_inline]] inline PlainField plainField(const char* data, std::size_t size)
{
    const bool negative = data[0] == '-';
    const Digits digits = leadingDigits(data + negative);
    const std::size_t q = negative + digits.count;
    if (digits.count == 0 || q >= size)
        return {0, false, 0};
    const std::int64_t value = negative ? -digits.value : digits.value;
    if (value < INT32_MIN || value > INT32_MAX)
        return {0, false, 0};
    const auto v = static_cast<std::int32_t>(value);
    if (data[q] == ',')
        return {v, false, q + 1};
    if (data[q] == '\n')
        return {v, true, q + 1};
    if (data[q] == '\r' && q + 1 < size && data[q + 1] == '\n')
        return {v, true, q + 2};
    return {0, false, 0};
}

}  // namespace runtime
