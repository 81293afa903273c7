#pragma once
// A private cupsd for tests: its own configuration, spool and Unix socket in a
// temporary folder, with one raw queue "capture", the default, whose backend
// copies each job's document into a folder.
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <thread>

namespace testsupport {

class CupsSpooler {
public:
    static constexpr const char* kQueue = "capture";

    CupsSpooler();  // throws when it does not come up
    ~CupsSpooler() { stop(); }

    QString socketPath() const { return dir_.filePath("cups.sock"); }
    qint64 pid() const { return cupsd_.processId(); }

    // The captured documents, in the order of their jobs; waiting (bounded) until there are n.
    QStringList capturedJobs() const;
    QStringList waitForJobs(int n, std::chrono::milliseconds timeout) const;

    void addQueue();  // the capturing queue, as the default
    void lpadmin(const QStringList& arguments) { admin("lpadmin", arguments); }
    void admin(const QString& program, const QStringList& arguments);
    QString errorLog() const;
    void stop();

private:
    QTemporaryDir dir_{"/tmp/chartviewer-cupsd-XXXXXX"};  // short, whatever TMPDIR: the socket's path has a limit
    QProcess cupsd_;
};

// A spooler that takes connections and answers each with one byte a second,
// for as long as it lives.
class TricklingSpooler {
public:
    explicit TricklingSpooler(QString socketPath);
    QString socketPath() const { return path_; }

private:
    QString path_;
    int listening_;
    std::jthread server_;
};

}  // namespace testsupport
