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
    QStringList waitForJobs(int n = 0, std::chrono::milliseconds timeout = {}) const;

    void addQueue();  // the capturing queue, as the default
    void admin(const QString& program, const QStringList& arguments);
    QString errorLog() const;
    void stop();

private:
    QTemporaryDir dir_{"/tmp/chartviewer-cupsd-XXXXXX"};  // short, whatever TMPDIR: the socket's path has a limit
    QProcess cupsd_;
};

// A proxy on a Unix socket in front of a spooler: it passes every request on
// at once, and holds its answers back, for as long as it lives. Trickled: every
// answer a byte a second. HeldAfterDocument: the answers on a connection that
// has carried a PDF document, from then on, until `hold` has passed.
class SlowSpooler {
public:
    enum class Answers { Trickled, HeldAfterDocument };
    SlowSpooler(const QString& spooler, Answers answers, std::chrono::seconds hold = {});
    ~SlowSpooler();
    QString socketPath() const { return path_; }

private:
    QString path_;
    int listening_;
    std::jthread server_;
};

}  // namespace testsupport
