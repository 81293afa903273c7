#include "cups_spooler.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;
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
pid_t spawn(const std::vector<std::string>& argv, const Env& env, int outFd, int errFd) {
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

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeFile(const std::string& path, const std::string& text, fs::perms mode) {
    std::ofstream(path, std::ios::binary) << text;
    fs::permissions(path, mode);
}

std::string joined(const std::vector<std::string>& argv) {
    std::string s;
    for (auto& a : argv) s += (s.empty() ? "" : " ") + a;
    return s;
}

// Runs as root only because it is mode 0700: cupsd runs group/other-executable backends as
// User (lp), which cannot write into our root-owned 0700 temp folder.
const char* kBackend = R"(#!/bin/sh
# No arguments: device discovery.
[ $# -eq 0 ] && { echo 'direct capture "Unknown" "Test capture"'; exit 0; }
dir="${DEVICE_URI#capture:}"
part="$dir/.job-$1.part"
if [ -n "$6" ]; then cat -- "$6"; else cat; fi > "$part" || exit 1
chmod 644 "$part"
# Rename so pollers never see a half-written document.
mv -f "$part" "$dir/job-$1.pdf"
)";

}  // namespace

ProcessResult runProcess(const std::vector<std::string>& argv, std::chrono::milliseconds timeout,
                         const Env& env) {
    auto deadline = Clock::now() + timeout;
    int outPipe[2], errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    if (pipe2(errPipe, O_CLOEXEC) != 0) {
        close(outPipe[0]), close(outPipe[1]);
        throw std::runtime_error("pipe failed");
    }
    pid_t pid;
    try {
        pid = spawn(argv, env, outPipe[1], errPipe[1]);
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

CupsSpooler::CupsSpooler() {
    // sun_path holds ~108 bytes, and the device URI must not need escaping.
    std::string base = "/tmp";
    if (const char* t = std::getenv("TMPDIR"); t && *t && std::strlen(t) < 60 && !std::strpbrk(t, " %#?"))
        base = t;
    std::string tmpl = base + "/cups-spooler-XXXXXX";
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed in " + base);
    dir_ = tmpl;
    outDir_ = dir_ + "/out";
    socket_ = dir_ + "/cups.sock";
    try {
        for (auto sub : {"out", "spool", "cache", "state", "tmp", "root", "bin/backend"})
            fs::create_directories(dir_ + "/" + sub);
        for (auto link : {"filter", "daemon", "cgi-bin", "notifier", "monitor", "driver"})
            fs::create_directory_symlink(std::string("/usr/lib/cups/") + link, dir_ + "/bin/" + link);
        writeFile(dir_ + "/bin/backend/capture", kBackend, fs::perms::owner_all);
        writeFile(dir_ + "/cups-files.conf",
                  "ServerRoot " + dir_ + "/root\nStateDir " + dir_ + "/state\nCacheDir " + dir_ +
                      "/cache\nRequestRoot " + dir_ + "/spool\nTempDir " + dir_ + "/tmp\nServerBin " +
                      dir_ + "/bin\nErrorLog " + dir_ + "/error_log\nAccessLog " + dir_ +
                      "/access_log\nPageLog " + dir_ + "/page_log\n",
                  fs::perms(0644));
        writeFile(dir_ + "/cupsd.conf",
                  "LogLevel debug\nListen " + socket_ +
                      "\nBrowsing No\nWebInterface No\nDefaultAuthType None\n"
                      "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                      "<Policy default>\n  <Limit All>\n    Order allow,deny\n    Allow all\n"
                      "  </Limit>\n</Policy>\n",
                  fs::perms(0644));

        int log = open((dir_ + "/cupsd.out").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (log < 0) throw std::runtime_error("cannot create " + dir_ + "/cupsd.out");
        try {
            pid_ = spawn({"cupsd", "-f", "-c", dir_ + "/cupsd.conf", "-s", dir_ + "/cups-files.conf"}, {},
                         log, log);
        } catch (...) {
            close(log);
            throw;
        }
        close(log);

        auto deadline = Clock::now() + 10s;
        for (bool ready = false; !ready;) {
            int status;
            if (waitUntil(pid_, Clock::now(), status)) {
                pid_ = -1;
                throw std::runtime_error("cupsd exited at startup");
            }
            if (Clock::now() > deadline) throw std::runtime_error("cupsd socket not ready after 10 s");
            int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_un addr{};
            addr.sun_family = AF_UNIX;
            std::strncpy(addr.sun_path, socket_.c_str(), sizeof addr.sun_path - 1);
            ready = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
            close(fd);
            if (!ready) std::this_thread::sleep_for(50ms);
        }
        addQueue(kQueue);
        setDefault(kQueue);
    } catch (const std::exception& e) {
        std::string log = errorLog();
        stop();
        std::error_code ec;
        fs::remove_all(dir_, ec);
        throw std::runtime_error(std::string("CupsSpooler: ") + e.what() + "\n" + log);
    }
}

CupsSpooler::~CupsSpooler() {
    stop();
    std::error_code ec;
    fs::remove_all(dir_, ec);
}

void CupsSpooler::stop() {
    if (pid_ <= 0) return;
    int status;
    kill(pid_, SIGTERM);
    if (!waitUntil(pid_, Clock::now() + 5s, status)) {
        kill(-pid_, SIGKILL);
        waitpid(pid_, &status, 0);
    }
    pid_ = -1;
}

void CupsSpooler::admin(std::vector<std::string> argv) {
    if (pid_ <= 0) throw std::runtime_error("cupsd is not running");
    ProcessResult r = runProcess(argv, 10s, environment());
    if (r.exitCode != 0) throw std::runtime_error(joined(argv) + " failed: " + r.err);
}

void CupsSpooler::addQueue(const std::string& name) {
    admin({"lpadmin", "-p", name, "-E", "-v", "capture:" + outDir_, "-m", "raw"});
}
void CupsSpooler::setDefault(const std::string& name) { admin({"lpadmin", "-d", name}); }
void CupsSpooler::disableQueue(const std::string& name) { admin({"cupsdisable", name}); }
void CupsSpooler::enableQueue(const std::string& name) { admin({"cupsenable", name}); }
void CupsSpooler::rejectJobs(const std::string& name) { admin({"cupsreject", name}); }
void CupsSpooler::acceptJobs(const std::string& name) { admin({"cupsaccept", name}); }

// CUPS cannot name a missing default directly, but deleting the default queue unsets it.
void CupsSpooler::clearDefault() {
    addQueue("default-placeholder");
    setDefault("default-placeholder");
    admin({"lpadmin", "-x", "default-placeholder"});
}

std::vector<std::string> CupsSpooler::capturedJobs() const {
    std::vector<std::pair<long, std::string>> jobs;
    std::error_code ec;
    for (auto& entry : fs::directory_iterator(outDir_, ec)) {
        std::string name = entry.path().filename();
        if (name.starts_with("job-") && name.ends_with(".pdf"))
            jobs.emplace_back(std::atol(name.c_str() + 4), entry.path());
    }
    std::sort(jobs.begin(), jobs.end());
    std::vector<std::string> paths;
    for (auto& j : jobs) paths.push_back(j.second);
    return paths;
}

std::vector<std::string> CupsSpooler::waitForJobs(size_t n, std::chrono::milliseconds timeout) const {
    auto deadline = Clock::now() + timeout;
    for (;;) {
        auto jobs = capturedJobs();
        if (jobs.size() >= n || Clock::now() >= deadline) return jobs;
        std::this_thread::sleep_for(50ms);
    }
}

std::string CupsSpooler::errorLog() const {
    return readFile(dir_ + "/cupsd.out") + readFile(dir_ + "/error_log");
}

}  // namespace testsupport
