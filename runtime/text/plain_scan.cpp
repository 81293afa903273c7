#include "runtime/text/plain_scan.h"

#include "runtime/text/byte_kinds.h"
#include "runtime/text/plain_field.h"

#include <array>
#include <bit>
#include <cstring>

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

// For d digits (1 to 8) right-aligned in a word: the bytes to keep, and
// what the d digits' own '0's add to the value they convert to.
struct RightAligned {
    std::uint64_t keep;
    std::uint64_t zerosValue;
};
constexpr std::array<RightAligned, 9> rightAligned = [] {
    std::array<RightAligned, 9> table{};
    std::uint64_t repunit = 0;
    for (std::size_t d = 1; d <= 8; ++d) {
        repunit = repunit * 10 + 1;
        table[d] = {~std::uint64_t{0} << (64 - 8 * d), '0' * repunit};
    }
    return table;
}();

// The values of two fields: each the digits of `words` (the last in the
// word's top byte, zero bytes before the first) plus `done`, negated where
// `signs` is all ones. A digit's '0' adds to the value as if it counted 48.
[[gnu::always_inline]] inline void convertPair(const std::uint64_t* words, const std::uint64_t* done,
                                               const std::uint64_t* signs, std::int32_t* to)
{
#if defined(__SSE2__)
    const __m128i w = _mm_load_si128(reinterpret_cast<const __m128i*>(words));
    // Pairs of digits, then fours, then eights, as leadingDigits combines them.
    const __m128i pairs = _mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(w, _mm_set1_epi16(0xFF)), _mm_set1_epi16(10)),
                                        _mm_srli_epi16(w, 8));
    const __m128i fours = _mm_madd_epi16(pairs, _mm_set1_epi32(100 | 1 << 16));
    const __m128i eights = _mm_add_epi64(_mm_mul_epu32(fours, _mm_set1_epi64x(10000)), _mm_srli_epi64(fours, 32));
    const __m128i value = _mm_add_epi64(eights, _mm_load_si128(reinterpret_cast<const __m128i*>(done)));
    const __m128i sign = _mm_load_si128(reinterpret_cast<const __m128i*>(signs));
    const __m128i signed_ = _mm_sub_epi64(_mm_xor_si128(value, sign), sign);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(to), _mm_shuffle_epi32(signed_, _MM_SHUFFLE(3, 1, 2, 0)));
#else
    const auto pairsFoursEights = [](std::uint64_t word) {
        std::uint64_t value = 0;
        for (std::size_t b = 0; b < 8; ++b)
            value = value * 10 + ((word >> (8 * b)) & 0xFF);
        return value;
    };
    for (std::size_t j = 0; j < 2; ++j) {
        const std::uint64_t value = pairsFoursEights(words[j]) + done[j];
        to[j] = static_cast<std::int32_t>((value ^ signs[j]) - signs[j]);
    }
#endif
}

// The scan, compiled once for any processor and once (`wide`) for the
// newer ones, inlined into a function built for them.
template <bool wide>
[[gnu::always_inline]] inline ScannedFields scan(const char* data, std::size_t pos, std::size_t limit,
                                                 std::size_t size, std::int32_t* values, std::uint64_t* lineEnds,
                                                 std::size_t firstBit, std::size_t most)
{
    std::size_t k = 0;
    std::size_t p = pos;  // where the next field starts
    LineEndBits ends(lineEnds, firstBit);
    while (k < most && p < limit) {
        // The text from p on in chunks of 64 bytes, each the one after the
        // last whatever was found in it, so that finding the separators of
        // one never waits for the fields of the one before; from eight bytes
        // into the text on, where every separator has a word before it.
        std::size_t c = p;
        std::uint64_t carriedStart = 1;  // whether a field starts at the chunk's first byte
        while (std::endian::native == std::endian::little && size - c >= chunkBytes && p >= 8) {
            ByteKinds kinds;
#if CHARTVIEWER_WIDE_SCAN
            if constexpr (wide)
                kinds = wideByteKinds(data + c);
            else
#endif
                kinds = byteKinds(data + c);
            // A minus anywhere but at a field's start stops the chunks as a
            // byte of no field's kind does: that field is read the plain way.
            const std::uint64_t starts = kinds.separators << 1 | carriedStart;
            const std::uint64_t stops = kinds.others | (kinds.minuses & ~starts);
            const std::uint64_t usable = kinds.separators & ((stops & -stops) - 1);
            std::uint64_t separators = usable;
            // Fields may start before the limit only, `room` of them at most.
            if (p >= limit)
                break;
            if (limit <= c + chunkBytes) {
                // None after the first separator from the byte before the limit on.
                const std::uint64_t past = separators & (~std::uint64_t{0} << (limit > c ? limit - c - 1 : 0));
                if (past != 0)
                    separators &= (past & -past) | ((past & -past) - 1);
            }
            const std::size_t room = most - k;
            if (room < chunkBytes / 2) {
                std::uint64_t rest = separators;
                for (std::size_t j = 0; j < room && rest != 0; ++j)
                    rest &= rest - 1;
                separators ^= rest;
            }
            const std::uint64_t allowed = separators;
            // The fields' digits are gathered first, each right-aligned in
            // a word, and converted after, two at a time.
            alignas(16) std::uint64_t words[chunkBytes / 2 + 1];
            alignas(16) std::uint64_t done[chunkBytes / 2 + 1];   // what to add to their value
            alignas(16) std::uint64_t signs[chunkBytes / 2 + 1];  // all ones for a negative value
            std::uint64_t lineBits = 0;
            std::size_t taken = 0;
            bool failed = false;
            for (; separators != 0; separators &= separators - 1, ++taken) {
                const auto s = static_cast<std::size_t>(std::countr_zero(separators));
                const std::size_t end = c + s;
                const std::size_t negative = data[p] == '-';
                const std::size_t digits = end - p - negative;
                std::uint64_t word;
                std::memcpy(&word, data + end - 8, sizeof word);
                if (digits - 1 < 8) {
                    words[taken] = word & rightAligned[digits].keep;
                    done[taken] = std::uint64_t{0} - rightAligned[digits].zerosValue;
                    signs[taken] = std::uint64_t{0} - negative;
                } else if (digits == 9) {
                    // Eight digits in the word, and the first, a ninth that
                    // keeps the value in range, on its own.
                    const auto ninth = static_cast<std::uint64_t>(data[p + negative] - '0');
                    words[taken] = word;
                    done[taken] = ninth * 100000000 - rightAligned[8].zerosValue;
                    signs[taken] = std::uint64_t{0} - negative;
                } else {
                    // Ten digits, whose value may pass the range, or none:
                    // the careful check, which ends at the same separator.
                    const PlainField field = plainField(data + p, size - p);
                    if (field.length == 0) {
                        failed = true;
                        break;
                    }
                    words[taken] = 0;
                    done[taken] = static_cast<std::uint64_t>(std::int64_t{field.value});
                    signs[taken] = 0;
                }
                if constexpr (!wide)
                    lineBits |= ((kinds.lineEnds >> s) & 1) << taken;
                p = end + 1;
            }
#if CHARTVIEWER_WIDE_SCAN
            if constexpr (wide)
                lineBits = packedBits(kinds.lineEnds, allowed ^ separators);  // the separators passed
#endif
            // An odd last one's pair converts a zero.
            words[taken] = done[taken] = signs[taken] = 0;
            std::int32_t converted[chunkBytes / 2 + 2];
            for (std::size_t j = 0; j < taken; j += 2)
                convertPair(words + j, done + j, signs + j, converted + j);
            std::memcpy(values + k, converted, taken * sizeof *values);
            ends.add(lineBits, taken);
            k += taken;
            // Stopped, or held back by a limit.
            if (stops != 0 || failed || allowed != usable)
                break;
            carriedStart = kinds.separators >> 63;
            c += chunkBytes;
        }
        // One field the plain way: one the chunks stopped at (after a CR,
        // say), or one near the text's end.
        if (k >= most || p >= limit)
            break;
        const PlainField field = plainField(data + p, size - p);
        if (field.length == 0)
            break;
        values[k++] = field.value;
        ends.add(field.endsLine, 1);
        p += field.length;
    }
    ends.flush();
    return {k, p};
}

}  // namespace

ScannedFields scanPlainFieldsNarrow(const char* data, std::size_t pos, std::size_t limit, std::size_t size,
                                    std::int32_t* values, std::uint64_t* lineEnds, std::size_t firstBit, std::size_t most)
{
    return scan<false>(data, pos, limit, size, values, lineEnds, firstBit, most);
}

#if CHARTVIEWER_WIDE_SCAN
__attribute__((target("avx2,bmi,bmi2"))) ScannedFields
scanPlainFieldsWide(const char* data, std::size_t pos, std::size_t limit, std::size_t size, std::int32_t* values,
                    std::uint64_t* lineEnds, std::size_t firstBit, std::size_t most)
{
    return scan<true>(data, pos, limit, size, values, lineEnds, firstBit, most);
}

bool hasWideScan()
{
    static const bool has =
        __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2");
    return has;
}
#else
ScannedFields scanPlainFieldsWide(const char* data, std::size_t pos, std::size_t limit, std::size_t size,
                                  std::int32_t* values, std::uint64_t* lineEnds, std::size_t firstBit, std::size_t most)
{
    return scan<false>(data, pos, limit, size, values, lineEnds, firstBit, most);
}

bool hasWideScan() { return false; }
#endif

ScannedFields scanPlainFields(const char* data, std::size_t pos, std::size_t limit, std::size_t size,
                              std::int32_t* values, std::uint64_t* lineEnds, std::size_t firstBit, std::size_t most)
{
    return hasWideScan() ? scanPlainFieldsWide(data, pos, limit, size, values, lineEnds, firstBit, most)
                         : scanPlainFieldsNarrow(data, pos, limit, size, values, lineEnds, firstBit, most);
}

}  // namespace runtime
