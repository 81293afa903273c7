#include "process.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace testsupport {
namespace {

// cupsd and lpadmin live in sbin, which a plain user's PATH often lacks.
std::string findTool(const std::string& name) {
    if (name.find('/') != std::string::npos) return name;
    std::string dirs = std::getenv("PATH") ? std::getenv("PATH") : "";
    dirs += ":/usr/sbin:/sbin";
    for (size_t pos = 0; pos <= dirs.size();) {
        size_t end = std::min(dirs.find(':', pos), dirs.size());
        std::string candidate = dirs.substr(pos, end - pos) + "/" + name;
        if (end > pos && access(candidate.c_str(), X_OK) == 0) return candidate;
        pos = end + 1;
    }
    throw std::runtime_error("tool not found: " + name);
}

// Own process group so a timeout can kill the child together with anything it started.
pid_t spawn(const std::vector<std::string>& argv, const Env& env, const std::string& cwd, int outFd, int errFd) {
    std::string path = findTool(argv.at(0));
    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        bool overridden = std::any_of(env.begin(), env.end(), [&](auto& kv) {
            return entry.compare(0, kv.first.size() + 1, kv.first + "=") == 0;
        });
        if (!overridden) envStrings.push_back(entry);
    }
    for (auto& [key, value] : env) envStrings.push_back(key + "=" + value);
    std::vector<char*> cargv, cenv;
    for (auto& a : argv) cargv.push_back(const_cast<char*>(a.c_str()));
    for (auto& e : envStrings) cenv.push_back(e.data());
    cargv.push_back(nullptr);
    cenv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    posix_spawn_file_actions_adddup2(&actions, errFd, 2);
    if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGTERM);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, path.c_str(), &actions, &attr, cargv.data(), cenv.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) throw std::runtime_error("cannot start " + path + ": " + std::strerror(rc));
    return pid;
}

// Returns true and fills status once pid has exited, false if still running at the deadline.
bool waitUntil(pid_t pid, Clock::time_point deadline, int& status) {
    for (;;) {
        pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid || (r < 0 && errno != EINTR)) return true;
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(10ms);
    }
}

std::string joined(const std::vector<std::string>& argv) {
    std::string s;
    for (auto& a : argv) s += (s.empty() ? "" : " ") + a;
    return s;
}

}  // namespace

ProcessResult runProcess(const std::vector<std::string>& argv, std::chrono::milliseconds timeout,
                         const Env& env, const std::string& cwd) {
    auto deadline = Clock::now() + timeout;
    int outPipe[2], errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    if (pipe2(errPipe, O_CLOEXEC) != 0) {
        close(outPipe[0]), close(outPipe[1]);
        throw std::runtime_error("pipe failed");
    }
    pid_t pid;
    try {
        pid = spawn(argv, env, cwd, outPipe[1], errPipe[1]);
    } catch (...) {
        for (int fd : {outPipe[0], outPipe[1], errPipe[0], errPipe[1]}) close(fd);
        throw;
    }
    close(outPipe[1]);
    close(errPipe[1]);

    ProcessResult result;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    while (open > 0 && Clock::now() < deadline) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (poll(fds, 2, static_cast<int>(std::max<long>(left.count(), 1))) < 0 && errno != EINTR) break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            char buf[65536];
            ssize_t n = read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                sinks[i]->append(buf, static_cast<size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (auto& f : fds)
        if (f.fd >= 0) close(f.fd);
    // Pipes still open means a child or grandchild is still running.
    int status = 0;
    if (open > 0 || !waitUntil(pid, deadline, status)) {
        kill(-pid, SIGKILL);
        waitpid(pid, &status, 0);
        throw std::runtime_error("timed out after " + std::to_string(timeout.count()) + " ms: " +
                                 joined(argv) + "\n" + result.err);
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

BackgroundProcess::BackgroundProcess(const std::vector<std::string>& argv, const Env& env,
                                     const std::string& cwd, const std::string& outputFile)
{
    const int out = ::open(outputFile.empty() ? "/dev/null" : outputFile.c_str(),
                           O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0)
        throw std::runtime_error("cannot open " + outputFile);
    try {
        pid_ = spawn(argv, env, cwd, out, out);
    } catch (...) {
        ::close(out);
        throw;
    }
    ::close(out);
}

BackgroundProcess::~BackgroundProcess() { kill(); }

std::optional<int> BackgroundProcess::waitForExit(std::chrono::milliseconds timeout)
{
    if (exitCode_)
        return exitCode_;
    int status = 0;
    if (pid_ < 0 || !waitUntil(pid_, Clock::now() + timeout, status))
        return std::nullopt;
    pid_ = -1;
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return exitCode_;
}

bool BackgroundProcess::running() { return !waitForExit(0ms); }

void BackgroundProcess::kill()
{
    if (pid_ < 0)
        return;
    ::kill(-pid_, SIGTERM);
    if (!waitForExit(3s)) {
        ::kill(-pid_, SIGKILL);
        waitForExit(3s);
    }
}

}  // namespace testsupport
