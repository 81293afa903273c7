#include "app/command_line.h"

#include "chartdata/chart_data.h"

#include <QCommandLineParser>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

constexpr const char* usage = "Usage: chartviewer [--help] [--version] [CHART]";

constexpr const char* help =
    "Usage: chartviewer [options] [CHART]\n"
    "Shows the line chart of a chart file in a window, and prints it on the default printer.\n"
    "\n"
    "  CHART          the chart file, or a folder holding chart.dat (default: chart.dat in the current folder)\n"
    "  -h, --help     show this help and end\n"
    "      --version  show the name and version and end\n"
    "\n"
    "A chart file holds a title, an x-axis caption and a y-axis caption on three lines, then the\n"
    "number of points n, n pairs of whole numbers x,y and eight captions for the x axis, comma-separated.\n"
    "The manual page tells more: man chartviewer\n";

[[noreturn]] void usageError(const QString& problem)
{
    std::fprintf(stderr, "chartviewer: %s %s\n", qPrintable(problem), usage);
    std::exit(2);
}

}  // namespace

std::optional<std::string> chartArgument(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    const QCommandLineOption helpOption({"h", "help"}, {});
    const QCommandLineOption versionOption("version", {});
    parser.addOptions({helpOption, versionOption});
    if (!parser.parse(arguments))
        usageError(parser.errorText());
    if (parser.isSet(helpOption) || parser.isSet(versionOption)) {
        std::fputs(parser.isSet(helpOption) ? help : "Chart Viewer " CHARTVIEWER_VERSION "\n", stdout);
        std::exit(std::fflush(stdout) == 0 ? 0 : 1);
    }
    const QStringList charts = parser.positionalArguments();
    if (charts.size() > 1)
        usageError("One chart at most.");
    if (charts.isEmpty())
        return std::nullopt;
    if (charts[0].isEmpty())
        usageError("The chart's name is empty.");
    // The bytes as given: a name that is not valid UTF-8 must still open.
    for (int i = argc - 1; i > 0; --i)
        if (arguments[i] == charts[0])
            return std::string(argv[i]);
    return charts[0].toStdString();
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
