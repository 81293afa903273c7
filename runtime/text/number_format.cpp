#include "runtime/text/number_format.h"

#include "runtime/error/runtime_error.h"

#include <cmath>
#include <cstdint>

namespace runtime {

std::string formatNumber(double value, std::string_view picture)
{
    const auto point = picture.find('.');
    const std::size_t decimals = point == std::string_view::npos ? 0 : picture.size() - point - 1;
    if (picture.find_first_not_of("#.") != std::string_view::npos
        || picture.find('.', point == std::string_view::npos ? 0 : point + 1) != std::string_view::npos
        || decimals > 9)
        throw RuntimeError("unsupported number picture \"" + std::string(picture) + "\"");

    std::int64_t unit = 1;
    for (std::size_t i = 0; i < decimals; ++i)
        unit *= 10;
    const double scaled = std::round(std::fabs(value) * static_cast<double>(unit));
    if (!(scaled < 9e18))
        throw RuntimeError("overflow");
    const auto rounded = static_cast<std::int64_t>(scaled);

    std::string text;
    if (value < 0 && rounded != 0)
        text += '-';
    if (rounded / unit != 0)
        text += std::to_string(rounded / unit);
    if (point != std::string_view::npos) {
        text += '.';
        std::string fraction = std::to_string(rounded % unit + unit).substr(1);
        while (!fraction.empty() && fraction.back() == '0')
            fraction.pop_back();
        text += fraction;
    }
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
