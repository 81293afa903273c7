#include "cups_spooler.h"

#include "process.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>


namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace testsupport {
namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeFile(const std::string& path, const std::string& text, fs::perms mode) {
    std::ofstream(path, std::ios::binary) << text;
    fs::permissions(path, mode);
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

        cupsd_.emplace(std::vector<std::string>{"cupsd", "-f", "-c", dir_ + "/cupsd.conf", "-s",
                                                dir_ + "/cups-files.conf"},
                       Env{}, std::string{}, dir_ + "/cupsd.out");

        auto deadline = Clock::now() + 10s;
        for (bool ready = false; !ready;) {
            if (!cupsd_->running())
                throw std::runtime_error("cupsd exited at startup");
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

void CupsSpooler::stop() { cupsd_.reset(); }

pid_t CupsSpooler::pid() const { return cupsd_ ? cupsd_->pid() : -1; }

void CupsSpooler::admin(std::vector<std::string> argv) {
    if (!cupsd_) throw std::runtime_error("cupsd is not running");
    ProcessResult r = runProcess(argv, 10s, environment());
    if (r.exitCode != 0) throw std::runtime_error(argv.front() + " failed: " + r.err);
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
