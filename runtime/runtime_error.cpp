#include "runtime_error.h"

namespace runtime {
namespace {

std::string compose(const std::string& problem, const std::string& file, int line,
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

RuntimeError::RuntimeError(std::string problem, std::string file, int line, std::string reading)
    : std::runtime_error(compose(problem, file, line, reading)),
      problem_(std::move(problem)),
      file_(std::move(file)),
      line_(line),
      reading_(std::move(reading))
{
}

}  // namespace runtime
