#include "runtime/text/large_arrays.h"

#include <cstdint>
#include <sys/mman.h>

namespace runtime {

void adviseHugePages(const void* data, std::size_t bytes)
{
    // Below a huge page's size there is nothing to gain.
    constexpr std::uintptr_t hugePage = std::uintptr_t{2} << 20;
    constexpr std::uintptr_t page = 4096;
    if (bytes < hugePage)
        return;
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t from = (start + page - 1) & ~(page - 1);
    const std::uintptr_t to = (start + bytes) & ~(page - 1);
    if (to > from)
        ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

}  // namespace runtime
