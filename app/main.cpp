#include "app/command_line.h"
#include "app/frm_chart.h"
#include "app/page_output.h"

#include "runtime/forms/run_forms.h"
#include "runtime/forms/start_up.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    // Before anything is written or opened: --help may find its output closed.
    runtime::settleStandardStreams();
    const CommandLine command = parseCommandLine(argc, argv);
    std::error_code error;
    const std::filesystem::path started = std::filesystem::current_path(error);
    const std::string file = command.chart ? enterChartFolder(*command.chart) : chartdata::chartFileName;
    const runtime::Project project{
        .title = "Chart Viewer",
        .desktopFileName = CHARTVIEWER_APP_ID,
        .startUp = [file] { return std::make_unique<frmChart>(file); },
    };
    // The X11 class of the windows, which the desktop entry names, whatever
    // the program file is called.
    QCoreApplication::setApplicationName("chartviewer");
    // The command line is ours alone: Qt sees none of it, so that no chart's
    // name is taken for one of Qt's own options.
    switch (command.task) {
    case CommandLine::Task::Export: {
        const std::string exportFile = fromStartFolder(command.exportFile, started);
        return runtime::runOffscreen(1, argv, project, [&] { exportPage(file, exportFile); });
    }
    case CommandLine::Task::Print:
        return runtime::runOffscreen(1, argv, project, [&] { printPage(file); });
    case CommandLine::Task::Window:
        break;
    }
    return runtime::runForms(1, argv, project);
}
