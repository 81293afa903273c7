#include "tests/support/spooler.h"

#include <QDir>
#include <QFile>
#include <QThread>

#include <csignal>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <list>
#include <optional>
#include <stdexcept>

namespace testsupport {
namespace {

void writeFile(const QString& path, const QString& text, QFile::Permissions mode = QFile::ReadOwner | QFile::WriteOwner)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.setPermissions(mode))
        throw std::runtime_error("cannot write " + path.toStdString());
}

// Mode 0700, so that cupsd runs it as root, who may write into our private folder.
const char* backend = R"(#!/bin/sh
[ $# -eq 0 ] && { echo 'direct capture "Unknown" "Test capture"'; exit 0; }
dir="${DEVICE_URI#capture:}"
if [ -n "$6" ]; then cat -- "$6"; else cat; fi > "$dir/.job-$1.part" || exit 1
# Renamed when whole, so that no one sees half a document; numbered to sort by name.
mv -f "$dir/.job-$1.part" "$dir/job-$(printf %08d "$1").pdf"
)";

}  // namespace

CupsSpooler::CupsSpooler()
{
    const QString d = dir_.path();
    for (const char* sub : {"out", "spool", "cache", "state", "tmp", "root", "bin/backend"})
        QDir(d).mkpath(sub);
    for (const char* link : {"filter", "daemon", "cgi-bin", "notifier", "monitor", "driver"})
        QFile::link(QStringLiteral("/usr/lib/cups/") + link, d + "/bin/" + link);
    writeFile(d + "/bin/backend/capture", backend, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // Its log on its standard error, which goes with its output to cupsd.out.
    writeFile(d + "/cups-files.conf", QString("ServerRoot %1/root\nStateDir %1/state\nCacheDir %1/cache\nRequestRoot %1/spool\n"
                                              "TempDir %1/tmp\nServerBin %1/bin\nErrorLog stderr\nAccessLog %1/access_log\n").arg(d));
    writeFile(d + "/cupsd.conf", "LogLevel debug\nListen " + socketPath() +
                                     "\nBrowsing No\nWebInterface No\nDefaultAuthType None\n"
                                     "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                                     "<Policy default>\n  <Limit All>\n    Order allow,deny\n    Allow all\n"
                                     "  </Limit>\n</Policy>\n");
    cupsd_.setProcessChannelMode(QProcess::MergedChannels);
    cupsd_.setStandardOutputFile(d + "/cupsd.out");
    cupsd_.start("/usr/sbin/cupsd", {"-f", "-c", d + "/cupsd.conf", "-s", d + "/cups-files.conf"});
    for (int tries = 0; !QFile::exists(socketPath()); ++tries) {
        if (!cupsd_.waitForStarted() || cupsd_.state() != QProcess::Running || tries > 200)
            throw std::runtime_error("cupsd did not come up:\n" + errorLog().toStdString());
        QThread::msleep(50);
    }
    addQueue();
}

void CupsSpooler::addQueue()
{
    admin("lpadmin", {"-p", kQueue, "-E", "-v", "capture:" + dir_.filePath("out"), "-m", "raw"});
    admin("lpadmin", {"-d", kQueue});
}

void CupsSpooler::admin(const QString& program, const QStringList& arguments)
{
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("CUPS_SERVER", socketPath());  // whatever the test process has
    tool.setProcessEnvironment(environment);
    tool.start(program, arguments);
    if (!tool.waitForFinished(10000) || tool.exitCode() != 0)
        throw std::runtime_error((program + " failed: ").toStdString() + tool.readAllStandardError().toStdString());
}

QStringList CupsSpooler::waitForJobs(int n, std::chrono::milliseconds timeout) const
{
    for (auto deadline = std::chrono::steady_clock::now() + timeout;; QThread::msleep(50)) {
        QStringList jobs = QDir(dir_.filePath("out")).entryList({"job-*.pdf"}, QDir::Files, QDir::Name);
        for (QString& job : jobs)
            job = dir_.filePath("out/" + job);
        if (jobs.size() >= n || std::chrono::steady_clock::now() >= deadline)
            return jobs;
    }
}

QString CupsSpooler::errorLog() const
{
    QFile log(dir_.filePath("cupsd.out"));
    return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
}

void CupsSpooler::stop()
{
    if (cupsd_.state() == QProcess::NotRunning)
        return;
    ::kill(pid_t(cupsd_.processId()), SIGCONT);  // a frozen spooler does not end on SIGTERM
    cupsd_.terminate();
    if (!cupsd_.waitForFinished(10000))
        cupsd_.kill(), cupsd_.waitForFinished();
}

namespace {

sockaddr_un addressOf(const QString& path)
{
    sockaddr_un address{AF_UNIX, {}};
    path.toStdString().copy(address.sun_path, sizeof address.sun_path - 1);
    return address;
}

int connectTo(const QString& path)
{
    const sockaddr_un address = addressOf(path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        throw std::runtime_error("cannot connect to " + path.toStdString());
    return fd;
}

// Passes one client's requests on to the spooler at once, and its answers back as slowly as told.
void relay(const std::stop_token& stop, int client, int spooler, SlowSpooler::Answers answers, std::chrono::seconds hold)
{
    using Clock = std::chrono::steady_clock;
    std::string held;  // answers not yet passed on
    std::optional<Clock::time_point> documentAt;
    bool spoolerDone = false;
    char buffer[65536];
    for (auto nextByte = Clock::now(); !stop.stop_requested() && !(spoolerDone && held.empty());) {
        pollfd fds[] = {{client, POLLIN, 0}, {spooler, short(spoolerDone ? 0 : POLLIN), 0}};
        ::poll(fds, 2, 50);
        if (fds[0].revents) {
            const ssize_t got = ::read(client, buffer, sizeof buffer);
            if (got <= 0)
                break;
            if (!documentAt && std::string_view(buffer, std::size_t(got)).find("%PDF-") != std::string_view::npos)
                documentAt = Clock::now();
            (void)::send(spooler, buffer, std::size_t(got), MSG_NOSIGNAL);
        }
        if (fds[1].revents) {
            const ssize_t answer = ::read(spooler, buffer, sizeof buffer);
            spoolerDone = answer <= 0;
            held.append(buffer, std::size_t(std::max<ssize_t>(answer, 0)));
        }
        std::size_t pass = held.size();
        if (answers == SlowSpooler::Answers::Trickled && (pass = Clock::now() >= nextByte ? std::min<std::size_t>(pass, 1) : 0))
            nextByte = Clock::now() + std::chrono::seconds(1);
        else if (answers == SlowSpooler::Answers::HeldAfterDocument && documentAt && Clock::now() < *documentAt + hold)
            pass = 0;
        held.erase(0, std::size_t(std::max<ssize_t>(::send(client, held.data(), pass, MSG_NOSIGNAL), 0)));
    }
    ::close(client), ::close(spooler);
}

}  // namespace

SlowSpooler::SlowSpooler(const QString& spooler, Answers answers, std::chrono::seconds hold)
    : path_(spooler + "-slow"), listening_(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0))
{
    const sockaddr_un address = addressOf(path_);
    if (::bind(listening_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(listening_, 8) != 0)
        throw std::runtime_error("cannot listen on " + path_.toStdString());
    server_ = std::jthread([=, this](const std::stop_token& stop) {
        std::list<std::jthread> relays;  // each stopped and joined as the list goes
        for (pollfd waiting{listening_, POLLIN, 0}; !stop.stop_requested();)
            if (::poll(&waiting, 1, 50) > 0)
                relays.emplace_back(relay, ::accept4(listening_, nullptr, nullptr, SOCK_CLOEXEC), connectTo(spooler), answers, hold);
    });
}

SlowSpooler::~SlowSpooler()
{
    server_.request_stop();
    server_.join();
    ::close(listening_);
    ::unlink(path_.toStdString().c_str());
}

}  // namespace testsupport
