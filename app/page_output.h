#pragma once

#include <string>

// The page of the chart, as Print prints it, from the command line with no
// window: the chart file is read as at start-up (a chart that cannot be read
// is its error, and nothing is written or printed), and the logo beside it
// is put on the page when it can be read.

// Writes the page to the file, in the format its name ends in.
void exportPage(const std::string& chartFile, const std::string& file);

// Prints the page on the default printer, trying once more as Print does. A
// print the spooler did not confirm is reported as Print reports it.
void printPage(const std::string& chartFile);
