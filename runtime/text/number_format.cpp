#include "runtime/text/number_format.h"

#include "runtime/error/runtime_error.h"

#include <cmath>
#include <cstdint>

namespace runtime {

std::string formatNumber(double value, std::string_view picture)
{
    if (picture != "#####.#")
        throw RuntimeError("unsupported number picture \"" + std::string(picture) + "\"");
    const double tenths = std::round(std::fabs(value) * 10);
    if (!(tenths < 9e18))
        throw RuntimeError("overflow");
    const auto rounded = static_cast<std::int64_t>(tenths);
    std::string text = value < 0 && rounded != 0 ? "-" : "";
    if (rounded >= 10)
        text += std::to_string(rounded / 10);
    text += '.';
    if (rounded % 10 != 0)
        text += static_cast<char>('0' + rounded % 10);
    return text;
}

std::string plainNumberText(std::string_view text)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    const std::size_t wholeStart = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        ++i;
    std::string_view whole = text.substr(wholeStart, i - wholeStart);
    std::string_view fraction;
    if (i < text.size() && text[i] == '.') {
        const std::size_t fractionStart = ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            ++i;
        fraction = text.substr(fractionStart, i - fractionStart);
    }
    if (i != text.size() || whole.size() + fraction.size() == 0)
        throw RuntimeError("type mismatch: \"" + std::string(text) + "\" is not a number");

    while (!whole.empty() && whole.front() == '0')
        whole.remove_prefix(1);
    while (!fraction.empty() && fraction.back() == '0')
        fraction.remove_suffix(1);
    if (whole.empty() && fraction.empty())
        return " 0";
    std::string plain(1, negative ? '-' : ' ');
    plain += whole;
    if (!fraction.empty()) {
        plain += '.';
        plain += fraction;
    }
    return plain;
}

}  // namespace runtime
