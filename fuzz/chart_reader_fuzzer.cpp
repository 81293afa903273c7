// Arbitrary bytes as chart.dat, through every reading and every rule that
// works on what was read. A RuntimeError is the expected answer to bad
// input; anything else (a crash, undefined behaviour, a huge allocation, two
// readings that disagree) is a finding.
#include "tests/support/readings_agree.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <unistd.h>

// A folder of its own for the file copy of each input, removed at the end.
char folder[] = "/tmp/chart-reader-fuzz-XXXXXX";

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    if (!::mkdtemp(folder) || ::chdir(folder) != 0)
        std::abort();
    std::atexit([] {
        ::unlink("chart.dat");
        if (::chdir("/") == 0)
            ::rmdir(folder);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    testsupport::expectReadingsAgree(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
