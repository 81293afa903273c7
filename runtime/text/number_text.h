#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace runtime {

// A number field that takes the reader's careful path, given byte by byte:
// an optional sign, digits, an optional fraction. However long the field,
// it is kept in constant memory: its start, for the error report, and
// what decides its value (the digits after leading zeros, and enough of
// the fraction to round it as the whole would be rounded).
class NumberText {
public:
    enum class Verdict { Ok, NotANumber, OutOfRange };

    void add(char c);
    bool empty() const { return length_ == 0; }
    // Whether the field is no number whatever follows, and its start as the
    // report quotes it is known: reading on would change nothing.
    bool settled() const { return part_ == Part::Invalid && start_.size() == keptForReport; }
    // The field's start, as long as excerpt() needs to quote the whole field.
    std::string_view start() const { return start_; }
    // The value, a fraction rounded to the nearest integer, halves to even.
    Verdict value(std::int32_t& value) const;

private:
    // An excerpt of 40 characters, four bytes at most each, and one more
    // character to show that there is more.
    static constexpr std::size_t keptForReport = 256;
    // A point halfway between two doubles has 1075 fraction digits at
    // most, so these and whether any later digit is not 0 round as the
    // whole fraction does.
    static constexpr std::size_t keptFraction = 1100;
    // Beyond ten digits an integer part is out of range.
    static constexpr std::size_t keptWhole = 11;

    enum class Part { Sign, Whole, Fraction, Invalid };
    Part part_ = Part::Sign;
    std::size_t length_ = 0;
    std::string start_;
    bool negative_ = false;
    bool wholeDigits_ = false;    // any, leading zeros included
    std::string whole_;           // without leading zeros, keptWhole digits at most
    std::string fraction_;        // keptFraction digits at most
    bool nonZeroBeyond_ = false;  // a fraction digit after those kept is not 0
};

}  // namespace runtime
