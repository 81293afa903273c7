#include "runtime/forms/run_forms.h"

#include "runtime/forms/error_report.h"
#include "runtime/forms/start_up.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <optional>

namespace runtime {

int runForms(int argc, char** argv, const Project& project)
{
    std::optional<WindowSystemCheck> check(std::in_place, std::string(project.title));
    QApplication application(argc, argv);
    check.reset();
    QApplication::setApplicationDisplayName(qtString(project.title));
    QApplication::setDesktopFileName(qtString(project.desktopFileName));
    std::unique_ptr<Form> startup;
    try {
        startup = project.startUp();
        startup->load();
    } catch (const std::exception& error) {
        endWithErrorReport(error);
    }
    // The window's outer corner at the screen's origin.
    startup->move(0, 0);
    startup->show();
    startup->focusFirstControl();
    return application.exec();
}

int runOffscreen(int argc, char** argv, const Project& project, const std::function<void()>& task)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qunsetenv("QT_QPA_PLATFORMTHEME");
    // A job run by cron has no runtime folder, and Qt would say so on
    // every run: one of its own, for this run only.
    std::optional<QTemporaryDir> runtimeFolder;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        runtimeFolder.emplace();
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeFolder->path()));
    }
    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName(qtString(project.title));
    QApplication::setDesktopFileName(qtString(project.desktopFileName));
    try {
        task();
    } catch (const std::exception& error) {
        runtimeFolder.reset();  // the report ends the process, past destructors
        endWithErrorReport(error);
    }
    return 0;
}

void endProgram() { QCoreApplication::exit(0); }

}  // namespace runtime
