#include "runtime/error/runtime_error.h"

#include <cstdio>

namespace runtime {
namespace {

std::string compose(const std::string& problem, const std::string& file, LineNumber line,
                    const std::string& reading)
{
    std::string text;
    if (!file.empty()) {
        text = file;
        if (line > 0)
            text += ", line " + std::to_string(line);
        text += ": ";
    }
    text += problem;
    if (!reading.empty())
        text += " while reading " + reading;
    return text;
}

}  // namespace

std::string excerpt(std::string_view text)
{
    std::string shown;
    std::size_t characters = 0;
    int continuations = 0;
    for (const char byte : text) {
        const auto c = static_cast<unsigned char>(byte);
        const bool continues = (c & 0xC0) == 0x80 && characters > 0 && continuations < 3;
        continuations = continues ? continuations + 1 : 0;
        if (!continues && ++characters > excerptLength)
            return shown + "\u2026";
        if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            shown += escaped;
        } else {
            shown += byte;
        }
    }
    return shown;
}

RuntimeError::RuntimeError(const std::string& problem, const std::string& file, LineNumber line,
                           const std::string& reading)
    : std::runtime_error(compose(problem, file, line, reading))
{
}

}  // namespace runtime
