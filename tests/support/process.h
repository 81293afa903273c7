#pragma once
// Running programs from tests: to completion with a time limit, or in the
// background (a display server, the program under test) until stopped.

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace testsupport {

using Env = std::vector<std::pair<std::string, std::string>>;

struct ProcessResult {
    int exitCode = -1;  // -1 when ended by a signal
    std::string out, err;
};

// Runs argv (argv[0] looked up in PATH, then /usr/sbin and /sbin) with extra
// environment variables, in cwd when given; kills it and throws
// std::runtime_error past the timeout.
ProcessResult runProcess(const std::vector<std::string>& argv, std::chrono::milliseconds timeout,
                         const Env& env = {}, const std::string& cwd = {});

// A program running in its own process group, its output going to a file
// (or nowhere); killed with its group when the object goes.
class BackgroundProcess {
public:
    BackgroundProcess(const std::vector<std::string>& argv, const Env& env = {}, const std::string& cwd = {},
                      const std::string& outputFile = {});
    ~BackgroundProcess();
    BackgroundProcess(const BackgroundProcess&) = delete;
    BackgroundProcess& operator=(const BackgroundProcess&) = delete;

    pid_t pid() const { return pid_; }
    bool running();
    // The exit status once it has ended within the timeout (-1 for a signal).
    std::optional<int> waitForExit(std::chrono::milliseconds timeout);
    // SIGTERM to the group, then SIGKILL after a bound.
    void kill();

private:
    pid_t pid_ = -1;
    std::optional<int> exitCode_;
};

}  // namespace testsupport
