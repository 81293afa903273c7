#include "tests/support/reference_reading.h"

#include "runtime/error/runtime_error.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace testsupport {
namespace {

constexpr std::size_t limit = 65536;

struct Failure {
    std::string problem;
    std::int64_t line;
    std::string reading;
};

bool lineEnd(char c) { return c == '\r' || c == '\n'; }
bool digits(std::string_view s) { return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }); }

// Well-formed UTF-8, as the Unicode standard's table of byte sequences has it.
bool isUtf8(std::string_view text)
{
    struct Form { unsigned char lead0, lead1, second0, second1; int length; };
    static constexpr Form forms[] = {{0x00, 0x7F, 0, 0, 1},       {0xC2, 0xDF, 0x80, 0xBF, 2}, {0xE0, 0xE0, 0xA0, 0xBF, 3},
                                     {0xE1, 0xEC, 0x80, 0xBF, 3}, {0xED, 0xED, 0x80, 0x9F, 3}, {0xEE, 0xEF, 0x80, 0xBF, 3},
                                     {0xF0, 0xF0, 0x90, 0xBF, 4}, {0xF1, 0xF3, 0x80, 0xBF, 4}, {0xF4, 0xF4, 0x80, 0x8F, 4}};
    const auto byte = [&](std::size_t i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0; };
    for (std::size_t i = 0; i < text.size();) {
        const auto form = std::find_if(std::begin(forms), std::end(forms),
                                       [&](const Form& f) { return byte(i) >= f.lead0 && byte(i) <= f.lead1; });
        if (form == std::end(forms) || i + static_cast<std::size_t>(form->length) > text.size())
            return false;
        if (form->length > 1 && (byte(i + 1) < form->second0 || byte(i + 1) > form->second1))
            return false;
        for (int k = 2; k < form->length; ++k)
            if (byte(i + static_cast<std::size_t>(k)) < 0x80 || byte(i + static_cast<std::size_t>(k)) > 0xBF)
                return false;
        i += static_cast<std::size_t>(form->length);
    }
    return true;
}

std::string latin1(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(b < 0xC0 ? 0xC2 : 0xC3);
            out += static_cast<char>(0x80 + (b & 0x3F));
        }
    }
    return out;
}

enum class Parsed { Ok, NotANumber, OutOfRange };

// Sign, digits, point, digits; rounded to the nearest whole, halves to even.
Parsed parse(std::string_view field, std::int32_t& value)
{
    const bool signed_ = field[0] == '+' || field[0] == '-';
    const std::string_view unsigned_ = field.substr(signed_ ? 1 : 0);
    const std::size_t point = unsigned_.find('.');
    std::string_view whole = unsigned_.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? "" : unsigned_.substr(point + 1);
    if (!digits(whole) || !digits(fraction) || whole.size() + fraction.size() == 0)
        return Parsed::NotANumber;
    whole.remove_prefix(std::min(whole.find_first_not_of('0'), whole.size()));
    if (whole.size() > 10)
        return Parsed::OutOfRange;
    // The nearest double, then the nearest whole in the default rounding mode.
    const double number = std::nearbyint(std::strtod(std::string(field).c_str(), nullptr));
    if (number < -2147483648.0 || number > 2147483647.0)
        return Parsed::OutOfRange;
    value = static_cast<std::int32_t>(number);
    return Parsed::Ok;
}

class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    std::string line(const std::string& what)
    {
        if (atEnd())
            throw Failure{"input past end of file", endLine(), what};
        const std::size_t stop = until(at_, "\r\n");
        if (stop - at_ > limit)
            fail("the line is longer than the limit of 65536 bytes", what);
        std::string text(bytes_.substr(at_, stop - at_));
        at_ = stop;
        if (!atEnd())
            passLineEnd();
        afterComma_ = false;
        texts.push_back(text);
        return text;
    }

    std::int32_t number(const std::string& what)
    {
        toField(what);
        const std::size_t end = until(at_, " \t\r\n,");
        const std::string_view field = bytes_.substr(at_, end - at_);
        if (field.empty())
            fail("expected a number, found an empty field", what);
        std::int32_t value = 0;
        const Parsed parsed = parse(field, value);
        if (parsed == Parsed::NotANumber)
            fail("expected a number, found \"" + runtime::excerpt(field) + "\"", what);
        if (parsed == Parsed::OutOfRange)
            fail(runtime::excerpt(field) + " is outside the 32-bit range -2147483648 to 2147483647", what);
        at_ = end;
        pastField();
        return value;
    }

    std::string text(const std::string& what)
    {
        toField(what);
        const std::size_t first = at_;
        std::string value;
        std::size_t end = 0;
        if (!atEnd() && bytes_[at_] == '"') {
            const std::size_t close = until(first + 1, "\"\r\n");
            if (close == bytes_.size() || bytes_[close] != '"') {
                if (close - first > limit)
                    fail("the field is longer than the limit of 65536 bytes", what);
                fail("a quoted text has no closing quote on its line", what);
            }
            value = bytes_.substr(first + 1, close - first - 1);
            end = until(close + 1, "\r\n,");
        } else {
            end = until(first, "\r\n,");
            value = bytes_.substr(first, end - first);
            value.erase(value.find_last_not_of(" \t") + 1);
        }
        if (end - first > limit)
            fail("the field is longer than the limit of 65536 bytes", what);
        texts.emplace_back(bytes_.substr(first, end - first));
        at_ = end;
        pastField();
        return value;
    }

    [[noreturn]] void fail(const std::string& problem, const std::string& what) { throw Failure{problem, line_, what}; }

    std::int64_t fieldLine = 0;
    std::vector<std::string> texts;  // every text read, for the character set

private:
    bool atEnd() const { return at_ == bytes_.size(); }
    // Where the first of `stops` stands from `from` on, or the end.
    std::size_t until(std::size_t from, const char* stops) const
    {
        return std::min(bytes_.find_first_of(stops, from), bytes_.size());
    }
    void passBlanks() { at_ = std::min(bytes_.find_first_not_of(" \t", at_), bytes_.size()); }
    void passLineEnd()
    {
        at_ += bytes_.substr(at_, 2) == "\r\n" ? 2 : 1;
        ++line_;
    }
    // The line that holds the file's last byte, where reading past the end fails.
    std::int64_t endLine() const
    {
        std::int64_t ends = 0;
        for (std::size_t i = 0; i < bytes_.size(); ++i)
            ends += bytes_[i] == '\n' || (bytes_[i] == '\r' && bytes_.substr(i + 1, 1) != "\n");
        return !bytes_.empty() && lineEnd(bytes_.back()) ? ends : ends + 1;
    }
    // On to the next field's first byte: past blanks, and past line ends
    // unless a comma came last, which leaves an empty field at the line's end.
    void toField(const std::string& what)
    {
        for (;;) {
            passBlanks();
            fieldLine = line_;
            if (atEnd() && !afterComma_)
                throw Failure{"input past end of file", endLine(), what};
            if (atEnd() || afterComma_ || !lineEnd(bytes_[at_]))
                return;
            passLineEnd();
        }
    }
    void pastField()
    {
        passBlanks();
        afterComma_ = !atEnd() && bytes_[at_] == ',';
        if (afterComma_)
            ++at_;
        else if (!atEnd() && lineEnd(bytes_[at_]))
            passLineEnd();
    }

    std::string_view bytes_;
    std::size_t at_ = 0;
    std::int64_t line_ = 1;
    bool afterComma_ = false;
};

std::string numbered(const char* what, std::int64_t k) { return std::string(what) + " " + std::to_string(k); }

}  // namespace

ReferenceChart referenceReading(std::string_view bytes, const std::string& name)
{
    ReferenceChart chart;
    Reader reader(bytes);
    try {
        chart.title = reader.line("the chart title (line 1)");
        chart.xAxisCaption = reader.line("the x-axis caption (line 2)");
        chart.yAxisCaption = reader.line("the y-axis caption (line 3)");
        chart.linesRead = true;
        const std::int32_t count = reader.number("the count of points");
        chart.countLine = reader.fieldLine;
        if (count < 0)
            throw Failure{"the count of points is " + std::to_string(count) + "; it must not be negative",
                          chart.countLine, ""};
        for (std::int64_t i = 1; i <= count; ++i) {
            chart.xValues.push_back(reader.number(numbered("the x value of point", i)));
            chart.lastPointLine = reader.fieldLine;
            chart.yValues.push_back(reader.number(numbered("the y value of point", i)));
        }
        for (std::size_t k = 0; k < 8; ++k)
            chart.xTickCaptions[k] = reader.text(numbered("x tick caption", static_cast<std::int64_t>(k) + 1));
        if (count == 0)
            throw Failure{"the count of points is 0; a chart needs at least one point", chart.countLine, ""};
    } catch (const Failure& failure) {
        chart.error = name + ", line " + std::to_string(failure.line) + ": " + failure.problem
            + (failure.reading.empty() ? "" : " while reading " + failure.reading);
    }
    if (!std::all_of(reader.texts.begin(), reader.texts.end(), isUtf8)) {
        for (std::string* text : {&chart.title, &chart.xAxisCaption, &chart.yAxisCaption})
            *text = latin1(*text);
        for (std::string& caption : chart.xTickCaptions)
            caption = latin1(caption);
    }
    return chart;
}

}  // namespace testsupport
