#include "bench/chart_generator.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

namespace bench {
namespace {

struct SplitMix64 {
    std::uint64_t state;
    std::uint64_t next()
    {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
};

// Formats into one buffer and writes it out in large blocks: the text is
// never built as a whole, so 10^7 points need no more than the buffer.
class BlockWriter {
public:
    explicit BlockWriter(const std::string& path) : file_(std::fopen(path.c_str(), "wb")), path_(path)
    {
        if (!file_)
            throw std::runtime_error("cannot create " + path);
    }
    ~BlockWriter()
    {
        if (file_)
            std::fclose(file_);
    }
    void text(const char* s) { append(s, std::strlen(s)); }
    void number(std::int64_t v)
    {
        reserve(24);
        used_ = static_cast<std::size_t>(std::to_chars(buffer_.data() + used_, buffer_.data() + buffer_.size(), v).ptr
                                         - buffer_.data());
    }
    void byte(char c)
    {
        reserve(1);
        buffer_[used_++] = c;
    }
    std::uint64_t finish()
    {
        flush();
        const bool ok = std::fclose(std::exchange(file_, nullptr)) == 0;
        if (!ok)
            throw std::runtime_error("cannot write " + path_);
        return written_;
    }

private:
    void append(const char* s, std::size_t size)
    {
        reserve(size);
        std::memcpy(buffer_.data() + used_, s, size);
        used_ += size;
    }
    void reserve(std::size_t size)
    {
        if (used_ + size > buffer_.size())
            flush();
    }
    void flush()
    {
        if (std::fwrite(buffer_.data(), 1, used_, file_) != used_)
            throw std::runtime_error("cannot write " + path_);
        written_ += used_;
        used_ = 0;
    }

    std::FILE* file_;
    std::string path_;
    std::vector<char> buffer_ = std::vector<char>(1 << 20);
    std::size_t used_ = 0;
    std::uint64_t written_ = 0;
};

}  // namespace

std::uint64_t writeChartFile(const std::string& path, std::int64_t n, std::uint64_t seed)
{
    BlockWriter out(path);
    out.text("Random Walk\nPoint\nValue\n");
    out.number(n);
    out.byte('\n');
    SplitMix64 random{seed};
    std::int64_t y = 0;
    constexpr std::int64_t lowest = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t highest = std::numeric_limits<std::int32_t>::max();
    for (std::int64_t x = 1; x <= n; ++x) {
        // Steps of -1000..1000, held inside the 32-bit range the reader accepts.
        y = std::clamp(y + static_cast<std::int64_t>(random.next() % 2001) - 1000, lowest, highest);
        out.number(x);
        out.byte(',');
        out.number(y);
        out.byte('\n');
    }
    out.text("Q1,Q1,Q2,Q3,Q4,Q5,Q6,Q7\n");
    return out.finish();
}

}  // namespace bench
