#pragma once
// The real executable on the display server the test runs under
// (tests/with-xvfb.sh gives each test a private Xvfb).
#include "tests/support/work_folder.h"

#include <QImage>
#include <QProcess>
#include <QStringList>
#include <QTemporaryFile>

#include <functional>
#include <optional>

namespace testsupport {

// Standard output of a program run to its end (bounded).
QString output(const QString& program, const QStringList& arguments);

// The viewer started in a folder, on the display, with extra environment;
// the command runs it, the built program itself unless another is given;
// inChild runs in the child just before it starts (to change its descriptors).
class Viewer {
public:
    explicit Viewer(const QString& folder, const QStringList& environment = {},
                    const QStringList& command = {CHARTVIEWER_PATH}, const std::function<void()>& inChild = {});
    std::optional<int> waitForExit(int msecs);  // the status once ended normally
    QString errors();  // what it wrote to standard error so far
    QString standardOutput() { return QString::fromUtf8(process_.readAllStandardOutput()); }
    // Its n visible windows captioned "Chart Viewer", waited for (bounded); throws if they do not come.
    QStringList windows(int n);
    void click(const QString& window, QPoint at);
    void keys(const QString& window, const QStringList& keys);

private:
    QProcess process_;
    QTemporaryFile errors_{QString::fromStdString(scratchFolder() + "/viewer-errors-XXXXXX")};
};

// The window's client area as the display server has it.
QImage windowPixels(const QString& window);
// Asks a window to close as its title bar's close button would (WM_DELETE_WINDOW),
// without a window manager.
void askWindowToClose(const QString& window);

}  // namespace testsupport
