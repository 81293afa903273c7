#pragma once

#include <cstddef>
#include <cstdint>

namespace runtime {

// Where a scan of plain fields stopped.
struct ScannedFields {
    std::size_t count;  // how many fields
    std::size_t end;    // the place after the last one's separator
};

// The plain fields (see plainField) from data[pos] on that start before
// `limit`, `most` at most, in a text of `size` bytes ended by endText:
// their values to `values`, and a bit for each that ended its line or'ed
// into `lineEnds` from bit `firstBit` on. What a loop over plainField finds,
// but the separators of 64 bytes are found at once, so that the fields
// between them are converted side by side rather than each waiting for
// the end of the one before.
ScannedFields scanPlainFields(const char* data, std::size_t pos, std::size_t limit, std::size_t size,
                              std::int32_t* values, std::uint64_t* lineEnds, std::size_t firstBit,
                              std::size_t most);

// The two ways scanPlainFields may run, which find the same fields: as any
// processor the program is built for runs it, and with the 32-byte compares
// and bit instructions of newer x86-64 processors (AVX2, BMI2), only where
// hasWideScan(). scanPlainFields takes the second where it can.
ScannedFields scanPlainFieldsNarrow(const char* data, std::size_t pos, std::size_t limit, std::size_t size,
                                    std::int32_t* values, std::uint64_t* lineEnds, std::size_t firstBit,
                                    std::size_t most);
ScannedFields scanPlainFieldsWide(const char* data, std::size_t pos, std::size_t limit, std::size_t size,
                                  std::int32_t* values, std::uint64_t* lineEnds, std::size_t firstBit,
                                  std::size_t most);
bool hasWideScan();

}  // namespace runtime
