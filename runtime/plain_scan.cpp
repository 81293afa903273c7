#include "plain_scan.h"

#include "plain_field.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace runtime {
namespace {

// Line-end bits gathered in a register and or'ed into place a word at a
// time, rather than read and written again for every field.
class LineEndBits {
public:
    LineEndBits(std::uint64_t* words, std::size_t bit) : words_(words), bit_(bit) {}
    // The low `count` bits of `bits` (count at most 32), the first field's lowest.
    void add(std::uint64_t bits, std::size_t count)
    {
        const std::size_t used = bit_ % 64;
        word_ |= bits << used;
        bit_ += count;
        if (used + count >= 64) {
            words_[bit_ / 64 - 1] |= word_;
            word_ = used == 0 ? 0 : bits >> (64 - used);
        }
    }
    void flush() const
    {
        if (bit_ % 64 != 0)
            words_[bit_ / 64] |= word_;
    }

private:
    std::uint64_t* words_;
    std::size_t bit_;
    std::uint64_t word_ = 0;
};

constexpr std::size_t chunkBytes = 64;

// What each of 64 bytes is, a bit per byte.
struct ByteKinds {
    std::uint64_t separators;  // comma or LF
    std::uint64_t lineEnds;    // LF
    std::uint64_t minuses;
    std::uint64_t others;  // none of those and no digit
};

ByteKinds byteKinds(const char* at)
{
    ByteKinds kinds{};
    std::uint64_t known = 0;
#if defined(__SSE2__)
    const auto bits = [](__m128i v) { return std::uint64_t{static_cast<std::uint32_t>(_mm_movemask_epi8(v))}; };
    for (std::size_t i = 0; i < chunkBytes / 16; ++i) {
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 16 * i));
        const __m128i lf = _mm_cmpeq_epi8(b, _mm_set1_epi8('\n'));
        const __m128i separator = _mm_or_si128(lf, _mm_cmpeq_epi8(b, _mm_set1_epi8(',')));
        const __m128i minus = _mm_cmpeq_epi8(b, _mm_set1_epi8('-'));
        const __m128i offset = _mm_sub_epi8(b, _mm_set1_epi8('0'));
        const __m128i digit = _mm_cmpeq_epi8(_mm_min_epu8(offset, _mm_set1_epi8(9)), offset);
        kinds.separators |= bits(separator) << (16 * i);
        kinds.lineEnds |= bits(lf) << (16 * i);
        kinds.minuses |= bits(minus) << (16 * i);
        known |= bits(_mm_or_si128(_mm_or_si128(separator, minus), digit)) << (16 * i);
    }
#else
    for (std::size_t i = 0; i < chunkBytes; ++i) {
        const char c = at[i];
        const std::uint64_t bit = std::uint64_t{1} << i;
        kinds.separators |= c == ',' || c == '\n' ? bit : 0;
        kinds.lineEnds |= c == '\n' ? bit : 0;
        kinds.minuses |= c == '-' ? bit : 0;
        known |= c == ',' || c == '\n' || c == '-' || static_cast<unsigned char>(c - '0') < 10 ? bit : 0;
    }
#endif
    kinds.others = ~known;
    return kinds;
}

// The value of the `digits` digits at `at` when they are at most ten, as
// a plain field reads them; -1 when they are not, or when they pass `most`.
[[gnu::always_inline]] inline std::int64_t digitsAt(const char* at, std::size_t digits, std::int64_t most)
{
    constexpr std::uint64_t zeros = '0' * std::uint64_t{0x0101010101010101};
    std::uint64_t word;
    std::memcpy(&word, at, sizeof word);
    if (digits - 1 < 8)
        return digitsValue(word - zeros, digits);
    if (digits - 9 >= 2)
        return -1;
    std::uint64_t low;
    std::memcpy(&low, at + digits - 8, sizeof low);
    const std::int64_t value = digitsValue(word - zeros, digits - 8) * 100000000 + digitsValue(low - zeros, 8);
    return value <= most ? value : -1;
}

}  // namespace

ScannedFields scanPlainFields(const char* data, std::size_t pos, std::size_t limit, std::size_t size,
                              std::int32_t* values, std::uint64_t* lineEnds, std::size_t firstBit,
                              std::size_t most)
{
    std::size_t k = 0;
    std::size_t p = pos;
    LineEndBits ends(lineEnds, firstBit);
    while (k < most && p < limit) {
        std::size_t a = 0;  // where the next field starts, from p
        if (std::endian::native == std::endian::little && size - p >= chunkBytes) {
            const ByteKinds kinds = byteKinds(data + p);
            // A minus anywhere but at a field's start ends the run as a byte
            // of no field's kind does: what follows is read one field at a time.
            const std::uint64_t starts = kinds.separators << 1 | 1;
            const std::uint64_t stops = kinds.others | (kinds.minuses & ~starts);
            std::uint64_t separators = kinds.separators & ((stops & -stops) - 1);
            std::uint64_t lineBits = 0;
            std::size_t taken = 0;
            // Fields may start before the limit only, `most` of them in all.
            const std::size_t room = most - k;
            const std::size_t before = limit - p;
            for (; separators != 0 && taken < room && a < before; separators &= separators - 1, ++taken) {
                const auto s = static_cast<std::size_t>(std::countr_zero(separators));
                const std::size_t negative = (kinds.minuses >> a) & 1;
                const std::int64_t value = digitsAt(data + p + a + negative, s - a - negative,
                                                    std::int64_t{INT32_MAX} + static_cast<std::int64_t>(negative));
                if (value < 0)
                    break;
                values[k + taken] = static_cast<std::int32_t>(negative ? -value : value);
                lineBits |= ((kinds.lineEnds >> s) & 1) << taken;
                a = s + 1;
            }
            ends.add(lineBits, taken);
            k += taken;
        }
        if (a == 0) {
            // No field of the quick kind to go by (a CR, or a long run of
            // zeros, say): one field the plain way.
            if (k >= most || p >= limit)
                break;
            const PlainField field = plainField(data + p, size - p);
            if (field.length == 0)
                break;
            values[k++] = field.value;
            ends.add(field.endsLine, 1);
            a = field.length;
        }
        p += a;
    }
    ends.flush();
    return {k, p};
}

}  // namespace runtime
