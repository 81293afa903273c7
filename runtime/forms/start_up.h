#pragma once

#include <QString>
#include <QtMessageHandler>

#include <string>
#include <vector>

namespace runtime {

// Descriptors 0 to 2 that a launcher left closed are opened on /dev/null:
// else the next file opened (the chart, the display's socket) would take
// the place of standard error, and the error report would be written into
// it. SIGPIPE is ignored, so a report written to a pipe that nobody reads
// fails quietly instead of ending the process before its message box.
void settleStandardStreams();

// While it lives (around the application's construction), a window system
// that cannot be reached ends the process with one line on standard error
// and status 1, in place of Qt's abort with a core file and its advice to
// reinstall. Messages that come meanwhile are held back, and passed on once
// the window system is there.
class WindowSystemCheck {
public:
    explicit WindowSystemCheck(std::string title);
    ~WindowSystemCheck();
    WindowSystemCheck(const WindowSystemCheck&) = delete;
    WindowSystemCheck& operator=(const WindowSystemCheck&) = delete;

private:
    struct Held {
        QtMsgType type;
        std::string category;
        QString text;
    };
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text);
    [[noreturn]] void fail(const QString& fatal) const;

    std::string title_;
    QtMessageHandler previous_;
    std::vector<Held> held_;
};

}  // namespace runtime
