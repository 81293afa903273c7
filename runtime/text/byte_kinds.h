#pragma once
// What each byte of a chunk of text is, a bit per byte, found with vector
// compares: what the scan of plain fields goes by.
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
// Newer x86-64 processors compare 32 bytes at once and gather bits in one
// instruction; the scan has a variant for them, chosen when run.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define CHARTVIEWER_WIDE_SCAN 1
#include <immintrin.h>
#endif

namespace runtime {

inline constexpr std::size_t chunkBytes = 64;

// What each of 64 bytes is, a bit per byte.
struct ByteKinds {
    std::uint64_t separators;  // comma or LF
    std::uint64_t lineEnds;    // LF
    std::uint64_t minuses;
    std::uint64_t others;  // none of those and no digit
};

inline ByteKinds byteKinds(const char* at)
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

#if CHARTVIEWER_WIDE_SCAN
// The same, 32 bytes at a compare.
__attribute__((target("avx2"))) inline ByteKinds wideByteKinds(const char* at)
{
    ByteKinds kinds{};
    std::uint64_t known = 0;
    for (std::size_t i = 0; i < chunkBytes / 32; ++i) {
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + 32 * i));
        const __m256i lf = _mm256_cmpeq_epi8(b, _mm256_set1_epi8('\n'));
        const __m256i separator = _mm256_or_si256(lf, _mm256_cmpeq_epi8(b, _mm256_set1_epi8(',')));
        const __m256i minus = _mm256_cmpeq_epi8(b, _mm256_set1_epi8('-'));
        const __m256i offset = _mm256_sub_epi8(b, _mm256_set1_epi8('0'));
        const __m256i digit = _mm256_cmpeq_epi8(_mm256_min_epu8(offset, _mm256_set1_epi8(9)), offset);
        const __m256i any = _mm256_or_si256(_mm256_or_si256(separator, minus), digit);
        kinds.separators |= std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(separator))} << (32 * i);
        kinds.lineEnds |= std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(lf))} << (32 * i);
        kinds.minuses |= std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(minus))} << (32 * i);
        known |= std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(any))} << (32 * i);
    }
    kinds.others = ~known;
    return kinds;
}

// The bits of `bits` where `mask` has its own, packed from the lowest up.
__attribute__((target("bmi2"))) inline std::uint64_t packedBits(std::uint64_t bits, std::uint64_t mask)
{
    return _pext_u64(bits, mask);
}
#endif

}  // namespace runtime
