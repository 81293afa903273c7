#pragma once

#include <optional>
#include <string>

// The program's command line: `chartviewer [CHART]`. --help and --version
// are answered here on standard output, and anything else we do not take
// gets a one-line usage error on standard error; both end the process
// (status 0 and 2) before a display is needed. Gives the chart named, as
// the user gave it, or nothing for the chart of the current folder.
std::optional<std::string> chartArgument(int argc, char** argv);

// Makes the chart's folder (the folder named, or the one the file lies in)
// the current folder, so that the logo is found beside the chart, and gives
// the name to read the chart by: its bare name when that folder is the one
// the program started in, else its full path, so that reports name it.
// When the folder cannot be entered, the full path as given: reading it
// then fails and says why.
std::string enterChartFolder(const std::string& chart);
