#include "app/command_line.h"

#include "chartdata/chart_data.h"
#include "runtime/printing/page_document.h"

#include <QCommandLineParser>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

constexpr const char* usage = "Usage: chartviewer [--help] [--version] [--export FILE | --print] [CHART]";

constexpr const char* help =
    "Usage: chartviewer [options] [CHART]\n"
    "Shows the line chart of a chart file in a window, and prints it on the default printer.\n"
    "\n"
    "  CHART          the chart file, or a folder holding chart.dat (default: chart.dat in the current folder)\n"
    "  --export FILE  write the printed page to FILE instead, as .pdf, .svg or .png (300 dpi), and end\n"
    "  --print        print the page on the default printer with no window, and end\n"
    "  -h, --help     show this help and end\n"
    "      --version  show the name and version and end\n"
    "\n"
    "--export and --print need no display: they suit scripts, ssh and timers.\n"
    "\n"
    "A chart file holds a title, an x-axis caption and a y-axis caption on three lines, then the\n"
    "number of points n, n pairs of whole numbers x,y and eight captions for the x axis, comma-separated.\n"
    "The manual page tells more: man chartviewer\n";

[[noreturn]] void usageError(const QString& problem)
{
    std::fprintf(stderr, "chartviewer: %s %s\n", qPrintable(problem), usage);
    std::exit(2);
}

// The bytes of an argument as given: a name that is not valid UTF-8 must still open.
std::string givenBytes(const QStringList& arguments, char** argv, const QString& value)
{
    for (qsizetype i = arguments.size() - 1; i > 0; --i) {
        if (arguments[i] == value)
            return argv[i];
        if (arguments[i].startsWith(QLatin1String("--")) && arguments[i].section(u'=', 1) == value)
            return std::strchr(argv[i], '=') + 1;
    }
    return value.toStdString();
}

}  // namespace

CommandLine parseCommandLine(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    const QCommandLineOption helpOption({"h", "help"}, {});
    const QCommandLineOption versionOption("version", {});
    const QCommandLineOption exportOption("export", {}, "FILE");
    const QCommandLineOption printOption("print", {});
    parser.addOptions({helpOption, versionOption, exportOption, printOption});
    if (!parser.parse(arguments))
        usageError(parser.errorText());
    if (parser.isSet(helpOption) || parser.isSet(versionOption)) {
        std::fputs(parser.isSet(helpOption) ? help : "Chart Viewer " CHARTVIEWER_VERSION "\n", stdout);
        std::exit(std::fflush(stdout) == 0 ? 0 : 1);
    }
    CommandLine command;
    if (parser.isSet(exportOption) && parser.isSet(printOption))
        usageError("Either --export or --print.");
    if (parser.isSet(exportOption)) {
        command.task = CommandLine::Task::Export;
        command.exportFile = givenBytes(arguments, argv, parser.value(exportOption));
        if (!runtime::fileFormatOf(command.exportFile))
            usageError("The file to export to must end in .pdf, .svg or .png.");
    }
    if (parser.isSet(printOption))
        command.task = CommandLine::Task::Print;
    const QStringList charts = parser.positionalArguments();
    if (charts.size() > 1)
        usageError("One chart at most.");
    if (!charts.isEmpty()) {
        if (charts[0].isEmpty())
            usageError("The chart's name is empty.");
        command.chart = givenBytes(arguments, argv, charts[0]);
    }
    return command;
}

std::string enterChartFolder(const std::string& chart)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path given(chart);
    const bool folder = fs::is_directory(given, error) || !given.has_filename();
    const fs::path name = folder ? fs::path(chartdata::chartFileName) : given.filename();
    const fs::path inside = folder ? given : given.parent_path();
    const fs::path started = fs::current_path(error);
    if (!inside.empty())
        fs::current_path(inside, error);
    if (error)
        return (started / inside / name).lexically_normal().string();
    const fs::path now = fs::current_path(error);
    return !error && now == started ? name.string() : (now / name).string();
}

std::string fromStartFolder(const std::string& file, const std::filesystem::path& started)
{
    std::error_code error;
    const std::filesystem::path given(file);
    if (given.is_absolute() || std::filesystem::current_path(error) == started)
        return file;
    return (started / given).lexically_normal().string();
}
