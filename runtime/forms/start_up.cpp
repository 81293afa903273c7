#include "runtime/forms/start_up.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace runtime {
namespace {

// Qt's message handler is a plain function: it finds the check through this,
// set only while the check lives.
WindowSystemCheck* active = nullptr;

}  // namespace

void settleStandardStreams()
{
    for (int fd = 0; fd <= 2; ++fd) {
        // open() takes the lowest free descriptor: the closed one.
        if (::fcntl(fd, F_GETFD) == -1 && ::open("/dev/null", O_RDWR) == -1)
            std::_Exit(1);
    }
    std::signal(SIGPIPE, SIG_IGN);
}

WindowSystemCheck::WindowSystemCheck(std::string title)
    : title_(std::move(title)), previous_(qInstallMessageHandler(&WindowSystemCheck::handle))
{
    active = this;
}

WindowSystemCheck::~WindowSystemCheck()
{
    active = nullptr;
    qInstallMessageHandler(previous_);
    for (const Held& message : held_) {
        const QMessageLogContext context(nullptr, 0, nullptr, message.category.c_str());
        if (previous_)
            previous_(message.type, context, message.text);
        else
            qt_message_output(message.type, context, message.text);
    }
}

void WindowSystemCheck::handle(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtFatalMsg)
        active->fail(text);
    active->held_.push_back({type, context.category ? context.category : "", text});
}

// The platform plugin says why first ("could not connect to display :1");
// the loader's and the fatal message after it only say that it could not start.
void WindowSystemCheck::fail(const QString& fatal) const
{
    QString why = fatal.section(u'.', 0, 0);
    for (const Held& message : held_) {
        if (message.type != QtDebugMsg && message.type != QtInfoMsg && message.category != "qt.qpa.plugin") {
            why = message.text.trimmed();
            break;
        }
    }
    if (why == QLatin1String("could not connect to display"))
        why = QStringLiteral("no display (DISPLAY is not set)");
    else if (why.startsWith(QLatin1String("could not connect to display")))
        why = QStringLiteral("no display (%1)").arg(why);
    const QByteArray line = (QString::fromStdString(title_) + ": cannot open a window: " + why + '\n').toLocal8Bit();
    [[maybe_unused]] const auto written = ::write(2, line.constData(), static_cast<std::size_t>(line.size()));
    // At once: Qt is half built, and nothing of it may run on.
    ::_exit(1);
}

}  // namespace runtime
