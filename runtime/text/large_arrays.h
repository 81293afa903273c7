#pragma once

#include <cstddef>
#include <vector>

namespace runtime {

// Asks the kernel to back these bytes with huge pages where it can: filling
// a few hundred megabytes in 4 KiB pages spends more time in page faults
// than in the work. Only a hint; nothing changes where it is not taken.
void adviseHugePages(const void* data, std::size_t bytes);

// Room for `count` elements, advised as above when it is large.
template <class T>
void reserveLarge(std::vector<T>& values, std::size_t count)
{
    values.reserve(count);
    adviseHugePages(values.data(), values.capacity() * sizeof(T));
}

}  // namespace runtime
