#pragma once

#include <filesystem>
#include <optional>
#include <string>

// The program's command line:
//   chartviewer [CHART]                the window
//   chartviewer --export FILE [CHART]  the page to a file, no window
//   chartviewer --print [CHART]        the page to the default printer, no window
// --help and --version are answered here on standard output, and anything
// else we do not take (an export file of a format we do not write, too) gets
// a one-line usage error on standard error; both end the process (status 0
// and 2) before a display is needed.
struct CommandLine {
    enum class Task { Window, Export, Print };
    Task task = Task::Window;
    // The export file, as the user gave it.
    std::string exportFile;
    // The chart named, as the user gave it, or nothing for the chart of the current folder.
    std::optional<std::string> chart;
};
CommandLine parseCommandLine(int argc, char** argv);

// Makes the chart's folder (the folder named, or the one the file lies in)
// the current folder, so that the logo is found beside the chart, and gives
// the name to read the chart by: its bare name when that folder is the one
// the program started in, else its full path, so that reports name it.
// When the folder cannot be entered, the full path as given: reading it
// then fails and says why.
std::string enterChartFolder(const std::string& chart);

// A file named relative to the folder the program started in, by a name that
// still finds it once the chart's folder has been entered: as given while
// that is the current folder, else its full path.
std::string fromStartFolder(const std::string& file, const std::filesystem::path& started);
