#pragma once

#include <stdexcept>
#include <string>

namespace runtime {

// The one error type of the runtime: what failed and, where it applies, the
// file, the line and what was being read. Its what() is the report's text.
class RuntimeError : public std::runtime_error {
public:
    explicit RuntimeError(std::string problem, std::string file = {}, int line = 0,
                          std::string reading = {});

    const std::string& problem() const { return problem_; }
    const std::string& file() const { return file_; }
    int line() const { return line_; }
    const std::string& reading() const { return reading_; }

private:
    std::string problem_;
    std::string file_;
    int line_;
    std::string reading_;
};

}  // namespace runtime
