#pragma once
// A second reading of chart files, written from the format's rules alone and
// sharing no code with the program's reader: the whole file in memory, its
// own tokenizer and its own number parse. Slow and plain; the program's
// reading must give what it gives, on any bytes.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

struct ReferenceChart {
    // The report of the failure, empty when the chart reads.
    std::string error;
    // Whether the three caption lines were read, and those texts and the
    // captions as UTF-8: as written when every text read is UTF-8, else
    // each byte taken as Latin-1.
    bool linesRead = false;
    std::string title, xAxisCaption, yAxisCaption;
    std::int64_t countLine = 0;
    std::int64_t lastPointLine = 0;
    std::vector<std::int32_t> xValues, yValues;
    std::array<std::string, 8> xTickCaptions;
};

ReferenceChart referenceReading(std::string_view bytes, const std::string& name = "chart.dat");

}  // namespace testsupport
