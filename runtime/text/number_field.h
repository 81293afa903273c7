#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace runtime {

// The reader's one parse of a number field: an optional sign, digits, an
// optional point and fraction digits. A fraction rounds to the nearest
// integer, halves to even, as the nearest double to the whole field does.
class NumberField {
public:
    enum class Verdict { Ok, NotANumber, OutOfRange };

    // The plain start that most fields have, read at once: an optional minus
    // and 1 to 10 digits, in the 32-bit range. `p` may be read 12 bytes on.
    // Returns how many bytes that start takes, 0 when the field has none;
    // whether the field ends there is the caller's to see.
    static std::size_t plainStart(const char* p, std::int32_t& value);

    // Any field, given in pieces as long as it is: only its start, for the
    // error report, and what decides its value are kept.
    void add(std::string_view bytes);
    bool empty() const { return length_ == 0; }
    // Whether the field is no number whatever follows, and its start as the
    // report quotes it is known: reading on would change nothing.
    bool settled() const { return part_ == Part::Invalid && start_.size() == keptForReport; }
    std::string_view start() const { return start_; }
    Verdict value(std::int32_t& value) const;

private:
    // An excerpt of 40 characters, four bytes at most each, and one more.
    static constexpr std::size_t keptForReport = 256;
    // A point halfway between two doubles has 1075 fraction digits at most,
    // so these and whether any later digit is not 0 round as the whole does.
    static constexpr std::size_t keptFraction = 1100;
    // Beyond ten digits an integer part is out of range.
    static constexpr std::size_t keptWhole = 11;

    enum class Part { Sign, Whole, Fraction, Invalid };
    Part part_ = Part::Sign;
    std::size_t length_ = 0;
    std::string start_;
    bool negative_ = false;
    bool wholeDigits_ = false;    // any, leading zeros included
    std::string whole_;           // without leading zeros
    std::string fraction_;
    bool nonZeroBeyond_ = false;  // a fraction digit after those kept is not 0
};

inline std::size_t NumberField::plainStart(const char* p, std::int32_t& value)
{
    // Eight bytes as one word, the first lowest, on every byte order alike.
    const auto word = [](const char* at) {
        std::uint64_t bytes = 0;
        for (int i = 0; i < 8; ++i)
            bytes |= std::uint64_t{static_cast<unsigned char>(at[i])} << (8 * i);
        return bytes;
    };
    // The words at the field and after its first byte are both read before
    // the sign is known, and one is taken: the reads need not wait for it.
    const std::uint64_t atField = word(p), afterSign = word(p + 1);
    const bool negative = *p == '-';
    const char* const digits = p + negative;
    // Each byte less '0': a digit's value below 10. A borrow or carry between
    // bytes comes only out of a byte that is no digit, and goes only to later
    // bytes, so the first such byte is found right.
    constexpr std::uint64_t ones = 0x0101010101010101;
    const std::uint64_t values = (negative ? afterSign : atField) - '0' * ones;
    const std::uint64_t notDigits = (values | (values + (0x80 - 10) * ones)) & (0x80 * ones);
    std::size_t count = notDigits ? static_cast<std::size_t>(std::countr_zero(notDigits)) / 8 : 8;
    std::int64_t number = 0;
    if (count > 0) {
        // The digits moved up to the word's end, then pairs, fours and eights combined.
        std::uint64_t v = (values << (64 - 8 * count)) & (0x0F * ones);
        v = (v * (1 + (10 << 8))) >> 8 & 0x00FF00FF00FF00FF;
        v = (v * (1 + (100 << 16))) >> 16 & 0x0000FFFF0000FFFF;
        number = static_cast<std::int64_t>((v * (1 + (std::uint64_t{10000} << 32))) >> 32);
    }
    if (count == 8) {
        while (count <= 10 && static_cast<unsigned char>(digits[count] - '0') < 10)
            number = number * 10 + (digits[count++] - '0');
    }
    number = negative ? -number : number;
    // Only ten digits can leave the range: tested apart, where the length
    // need not wait for the value, and the next field is found meanwhile.
    if (count == 0 || count > 10)
        return 0;
    if (count == 10 && (number < INT32_MIN || number > INT32_MAX))
        return 0;
    value = static_cast<std::int32_t>(number);
    return negative + count;
}

}  // namespace runtime
