#include "runtime/forms/error_report.h"

#include <QGuiApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <new>

namespace runtime {
namespace {

QString messageOf(const std::exception& error)
{
    if (dynamic_cast<const std::bad_alloc*>(&error))
        return QStringLiteral("out of memory");
    return QString::fromUtf8(error.what());
}

// Without a screen there is nobody to answer a dialog.
bool interactive()
{
    const QString platform = QGuiApplication::platformName();
    return !platform.isEmpty() && platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

}  // namespace

void showErrorReport(const std::exception& error)
{
    const QString title = QGuiApplication::applicationDisplayName();
    const QString message = messageOf(error);
    std::fprintf(stderr, "%s: %s\n", title.toLocal8Bit().constData(), message.toLocal8Bit().constData());
    std::fflush(stderr);
    if (interactive())
        QMessageBox::critical(nullptr, title, message);
}

void endWithErrorReport(const std::exception& error)
{
    showErrorReport(error);
    std::exit(1);
}

}  // namespace runtime
