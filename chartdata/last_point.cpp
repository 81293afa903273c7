#include "last_point.h"

#include <charconv>
#include <cstddef>
#include <string_view>

namespace chartdata {
namespace {

bool isLineEnd(char c) { return c == '\n' || c == '\r'; }

std::string_view trimmed(std::string_view field)
{
    const std::size_t from = field.find_first_not_of(" \t");
    if (from == std::string_view::npos)
        return {};
    return field.substr(from, field.find_last_not_of(" \t") - from + 1);
}

std::optional<std::int32_t> plainInteger(std::string_view field)
{
    field = trimmed(field);
    if (!field.empty() && field.front() == '+')
        field.remove_prefix(1);
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (field.empty() || error != std::errc() || end != field.data() + field.size())
        return std::nullopt;
    return value;
}

// The fields from `text` to its end, split at commas and line ends (a run
// of line ends, blank lines included, ends one field), a quoted text taken
// whole; up to `most` of them, and one more when there are more.
struct Fields {
    std::string_view first[2];
    std::size_t count = 0;
};

Fields fieldsOf(std::string_view text, std::size_t most)
{
    Fields fields;
    std::size_t start = 0;
    bool quoted = false;
    const auto end = [&](std::size_t at) {
        if (fields.count < 2)
            fields.first[fields.count] = text.substr(start, at - start);
        ++fields.count;
    };
    for (std::size_t i = 0; i < text.size() && fields.count <= most; ++i) {
        const char c = text[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (quoted) {
            continue;
        } else if (c == ',') {
            end(i);
            start = i + 1;
        } else if (isLineEnd(c)) {
            if (!trimmed(text.substr(start, i - start)).empty() || (start > 0 && text[start - 1] == ','))
                end(i);
            while (i + 1 < text.size() && isLineEnd(text[i + 1]))
                ++i;
            start = i + 1;
        }
    }
    if (!trimmed(text.substr(start)).empty())
        end(text.size());
    return fields;
}

}  // namespace

std::optional<std::int32_t> lastXOfTail(std::string_view tail)
{
    constexpr std::size_t fieldsToTheEnd = 10;
    // The tail's first line may be cut, so only lines that begin after a line end count.
    for (std::size_t at = tail.size(); at-- > 1;) {
        if (!isLineEnd(tail[at - 1]) || isLineEnd(tail[at]))
            continue;
        const Fields fields = fieldsOf(tail.substr(at), fieldsToTheEnd);
        if (fields.count > fieldsToTheEnd)
            return std::nullopt;
        if (fields.count == fieldsToTheEnd && plainInteger(fields.first[1]))
            return plainInteger(fields.first[0]);
    }
    return std::nullopt;
}

}  // namespace chartdata
