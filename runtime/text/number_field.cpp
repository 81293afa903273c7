#include "runtime/text/number_field.h"

#include <charconv>
#include <cmath>

namespace runtime {

void NumberField::add(std::string_view bytes)
{
    for (const char c : bytes) {
        if (start_.size() < keptForReport)
            start_ += c;
        ++length_;
        const bool digit = c >= '0' && c <= '9';
        switch (part_) {
        case Part::Sign:
            part_ = Part::Whole;
            if (c == '-' || c == '+') {
                negative_ = c == '-';
                break;
            }
            [[fallthrough]];
        case Part::Whole:
            if (!digit) {
                part_ = c == '.' ? Part::Fraction : Part::Invalid;
            } else {
                wholeDigits_ = true;
                if ((c != '0' || !whole_.empty()) && whole_.size() < keptWhole)
                    whole_ += c;
            }
            break;
        case Part::Fraction:
            if (!digit)
                part_ = Part::Invalid;
            else if (fraction_.size() < keptFraction)
                fraction_ += c;
            else
                nonZeroBeyond_ |= c != '0';
            break;
        case Part::Invalid:
            break;
        }
    }
}

NumberField::Verdict NumberField::value(std::int32_t& value) const
{
    if (part_ == Part::Invalid || (!wholeDigits_ && fraction_.empty()))
        return Verdict::NotANumber;
    if (whole_.size() > 10)
        return Verdict::OutOfRange;
    // The same double as the whole field gives: the digits dropped only ever
    // told whether it lies above the digits kept.
    std::string text = negative_ ? "-" : "";
    text += whole_.empty() ? "0" : whole_;
    text += '.';
    text += fraction_;
    if (nonZeroBeyond_)
        text += '1';
    double d = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), d);
    if (ec != std::errc{} || end != text.data() + text.size())
        return Verdict::NotANumber;
    d = std::nearbyint(d);  // the default rounding mode: halves to even
    if (!(d >= INT32_MIN && d <= INT32_MAX))
        return Verdict::OutOfRange;
    value = static_cast<std::int32_t>(d);
    return Verdict::Ok;
}

}  // namespace runtime
