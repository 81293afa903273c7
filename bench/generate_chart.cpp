// generate_chart <n> <output-file>: a chart file of n random-walk points.
#include "bench/chart_generator.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>

int main(int argc, char** argv)
{
    long long n = -1;
    if (argc == 3) {
        const char* end = argv[1] + std::strlen(argv[1]);
        if (std::from_chars(argv[1], end, n).ptr != end)
            n = -1;
    }
    if (n < 1 || n > 2147483647) {
        std::fprintf(stderr, "usage: generate_chart <n: 1..2147483647> <output-file>\n");
        return 2;
    }
    try {
        const auto bytes = bench::writeChartFile(argv[2], n);
        std::printf("%s: %lld points, %llu bytes\n", argv[2], n, static_cast<unsigned long long>(bytes));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "generate_chart: %s\n", error.what());
        return 1;
    }
    return 0;
}
