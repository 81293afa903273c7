#pragma once
// The reader's oracle: the program's reading of any bytes, in each way the
// program reads, must give what the reference reading gives: every value,
// every caption, the error's text and line. The fuzz target runs this on
// arbitrary bytes, the tests on a table of awkward files.
#include <string_view>

namespace testsupport {

// The bytes as chart.dat, written into the current folder and read from
// memory, once, and from the file as the forms read a long chart, twice,
// the points handed on a few at a time. Aborts, printing both, unless each
// reading agrees with the reference.
void expectReadingsAgree(std::string_view bytes);

}  // namespace testsupport
