#include "tests/support/spooler.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QThread>

#include <csignal>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>
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
# Renamed when whole, so that no one sees half a document.
mv -f "$dir/.job-$1.part" "$dir/job-$1.pdf"
)";

}  // namespace

CupsSpooler::CupsSpooler()
{
    const QString d = dir_.path();
    QDir dir(d);
    for (const char* sub : {"out", "spool", "cache", "state", "tmp", "root", "bin/backend"})
        dir.mkpath(sub);
    for (const char* link : {"filter", "daemon", "cgi-bin", "notifier", "monitor", "driver"})
        QFile::link(QStringLiteral("/usr/lib/cups/") + link, d + "/bin/" + link);
    writeFile(d + "/bin/backend/capture", backend, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    writeFile(d + "/cups-files.conf", QString("ServerRoot %1/root\nStateDir %1/state\nCacheDir %1/cache\n"
                                              "RequestRoot %1/spool\nTempDir %1/tmp\nServerBin %1/bin\n"
                                              "ErrorLog %1/error_log\nAccessLog %1/access_log\nPageLog %1/page_log\n")
                                          .arg(d));
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
    lpadmin({"-p", kQueue, "-E", "-v", "capture:" + dir_.filePath("out"), "-m", "raw"});
    lpadmin({"-d", kQueue});
}

void CupsSpooler::admin(const QString& program, const QStringList& arguments)
{
    QProcess tool;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("CUPS_SERVER", socketPath());
    tool.setProcessEnvironment(env);
    tool.start(program, arguments);
    if (!tool.waitForFinished(10000) || tool.exitCode() != 0)
        throw std::runtime_error((program + " failed: ").toStdString() + tool.readAllStandardError().toStdString());
}

QStringList CupsSpooler::capturedJobs() const
{
    QStringList jobs = QDir(dir_.filePath("out")).entryList({"job-*.pdf"}, QDir::Files);
    QCollator numeric;
    numeric.setNumericMode(true);
    std::sort(jobs.begin(), jobs.end(), numeric);
    for (QString& job : jobs)
        job = dir_.filePath("out/" + job);
    return jobs;
}

QStringList CupsSpooler::waitForJobs(int n, std::chrono::milliseconds timeout) const
{
    for (auto deadline = std::chrono::steady_clock::now() + timeout;; QThread::msleep(50)) {
        const QStringList jobs = capturedJobs();
        if (jobs.size() >= n || std::chrono::steady_clock::now() >= deadline)
            return jobs;
    }
}

QString CupsSpooler::errorLog() const
{
    QString log;
    for (const char* name : {"cupsd.out", "error_log"}) {
        QFile file(dir_.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            log += QString::fromUtf8(file.readAll());
    }
    return log;
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

TricklingSpooler::TricklingSpooler(QString socketPath)
    : path_(std::move(socketPath)), listening_(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0))
{
    sockaddr_un address{AF_UNIX, {}};
    path_.toStdString().copy(address.sun_path, sizeof address.sun_path - 1);
    if (::bind(listening_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(listening_, 8) != 0)
        throw std::runtime_error("cannot listen on " + path_.toStdString());
    server_ = std::jthread([this](const std::stop_token& stop) {
        std::vector<pollfd> fds{{listening_, POLLIN, 0}};
        for (auto next = std::chrono::steady_clock::now(); !stop.stop_requested();) {
            ::poll(fds.data(), fds.size(), 100);
            if (fds[0].revents & POLLIN)
                fds.push_back({::accept4(listening_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK), POLLIN, 0});
            char request[4096];
            for (std::size_t i = 1; i < fds.size(); ++i)
                while (::read(fds[i].fd, request, sizeof request) > 0) {}
            if (std::chrono::steady_clock::now() < next)
                continue;
            next += std::chrono::seconds(1);
            for (std::size_t i = 1; i < fds.size(); ++i)
                (void)::send(fds[i].fd, "H", 1, MSG_NOSIGNAL);
        }
        for (const pollfd& fd : fds)
            ::close(fd.fd);
    });
}

}  // namespace testsupport
