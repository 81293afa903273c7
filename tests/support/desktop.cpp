#include "tests/support/desktop.h"

#include <QFile>
#include <QThread>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <stdexcept>

namespace testsupport {
QString output(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000))
        throw std::runtime_error(program.toStdString() + " did not end");
    return QString::fromUtf8(process.readAllStandardOutput());
}

Viewer::Viewer(const QString& folder, const QStringList& environment, const QStringList& command,
               const std::function<void()>& inChild)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "xcb");
    for (const QString& setting : environment)
        env.insert(setting.section('=', 0, 0), setting.section('=', 1));
    process_.setProcessEnvironment(env);
    process_.setWorkingDirectory(folder);
    // A file, not a pipe: the pipe would be read only in an event loop.
    if (!errors_.open())
        throw std::runtime_error("no file for the viewer's standard error");
    process_.setStandardErrorFile(errors_.fileName());
    if (inChild)
        process_.setChildProcessModifier(inChild);
    process_.start(command.first(), command.mid(1));
    if (!process_.waitForStarted())
        throw std::runtime_error("the viewer did not start");
}

std::optional<int> Viewer::waitForExit(int msecs)
{
    if (!process_.waitForFinished(msecs) || process_.exitStatus() != QProcess::NormalExit)
        return std::nullopt;
    return process_.exitCode();
}

QString Viewer::errors()
{
    QFile file(errors_.fileName());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QStringList Viewer::windows(int n)
{
    for (int tries = 0;; ++tries) {
        const QStringList found = output("xdotool", {"search", "--all", "--onlyvisible", "--pid",
                                                     QString::number(process_.processId()), "--name", "^Chart Viewer$"})
                                      .split('\n', Qt::SkipEmptyParts);
        if (found.size() == n)
            return found;
        if (tries > 300 || process_.state() != QProcess::Running)
            throw std::runtime_error(QString("%1 windows shown, not %2: %3").arg(found.size()).arg(n).arg(errors()).toStdString());
        QThread::msleep(100);
    }
}

void Viewer::click(const QString& window, QPoint at)
{
    output("xdotool", {"mousemove", "--window", window, QString::number(at.x()), QString::number(at.y()), "click", "1"});
}

void Viewer::keys(const QString& window, const QStringList& keys)
{
    // Typed through XTEST into the focused window, as a keyboard would.
    output("xdotool", {"windowfocus", "--sync", window});
    output("xdotool", QStringList{"key", "--delay", "200"} + keys);
}

QImage windowPixels(const QString& window)
{
    Display* connection = XOpenDisplay(nullptr);
    XWindowAttributes size{};
    if (!connection || !XGetWindowAttributes(connection, window.toULong(), &size))
        throw std::runtime_error("no display, or no such window");
    XImage* shot = XGetImage(connection, window.toULong(), 0, 0, unsigned(size.width), unsigned(size.height), AllPlanes, ZPixmap);
    QImage image(size.width, size.height, QImage::Format_RGB32);
    for (int y = 0; shot && y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, QRgb(XGetPixel(shot, x, y)) | 0xff000000u);
    if (shot)
        XDestroyImage(shot);
    XCloseDisplay(connection);
    return image;
}

void askWindowToClose(const QString& window)
{
    Display* connection = XOpenDisplay(nullptr);
    if (!connection)
        throw std::runtime_error("no display");
    XEvent event{};
    event.xclient = {ClientMessage, 0, False, connection, window.toULong(), XInternAtom(connection, "WM_PROTOCOLS", False), 32, {}};
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(connection, "WM_DELETE_WINDOW", False));  // at CurrentTime, 0
    XSendEvent(connection, event.xclient.window, False, NoEventMask, &event);
    XCloseDisplay(connection);  // which flushes
}

}  // namespace testsupport
