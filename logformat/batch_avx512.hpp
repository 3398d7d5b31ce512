#pragma once

// The AVX-512 batch (batch.hpp says what a batch is): the structural pass
// compresses each 64 bytes' terminators to their positions with two
// compressed stores; a batch's lengths come in one register and its leads
// with a gather for every eight terminators; each element's four numbers are
// read in one register (batch_numbers_avx512.hpp). Included only by
// kernels_x86.hpp; only the AVX-512 read uses it.

#include "logformat/batch.hpp"
#include "logformat/batch_numbers_avx512.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <immintrin.h>
#include <string_view>

namespace logformat {

// The processor features of the AVX-512 batch, as the AVX-512 read's target names them.
// A target attribute needs a literal, so each repeats this text: the table's
// row is checked against it (implementations.cpp), the attributes are not.
inline constexpr std::string_view kAvx512BatchFeatures =
    "avx2,bmi,bmi2,avx512f,avx512bw,avx512vl,avx512dq,avx512vbmi,avx512vbmi2,avx512bitalg";

// For element k: the byte shuffle that fills lane r with the length of
// record r's number (the low byte of 16-bit length k + r n).
template <LogPattern pattern>
inline constexpr auto kLengthLanes = [] {
    constexpr std::size_t n = element_count(pattern);
    std::array<std::array<std::uint8_t, 64>, kMostElements> lanes{};
    for (std::size_t k = 0; k < n; ++k)
        for (std::size_t b = 0; b < 64; ++b)
            lanes[k][b] = static_cast<std::uint8_t>(2 * (b / 16 * n + k));
    return lanes;
}();

// The structural pass: the positions of the terminators of the whole 64-byte
// chunks from p (at most kMostChunks) into positions[count] on, until
// `wanted` are listed; returns the count listed, with the `count` before.
[[gnu::target("avx2,bmi,bmi2,avx512f,avx512bw,avx512vl,avx512dq,avx512vbmi,avx512vbmi2,avx512bitalg")]] inline int
list_terminators_avx512(const char* p, const char* end, int wanted, Terminators& positions, int count)
{
    const long chunks = std::min<long>(kMostChunks, (end - p) / 64);
    __m512i at = _mm512_set_epi16(31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15, 14, 13, 12, 11,
                                  10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
    for (long c = 0; c < chunks && count < wanted; ++c) {
        const __m512i bytes = _mm512_loadu_si512(p + 64 * c);
        const std::uint64_t terminators = _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8(',')) |
                                          _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8('\n'));
        const auto low = static_cast<__mmask32>(terminators);
        const auto high = static_cast<__mmask32>(terminators >> 32);
        _mm512_storeu_si512(positions.data() + count, _mm512_maskz_compress_epi16(low, at));
        count += std::popcount(low);
        _mm512_storeu_si512(positions.data() + count,
                            _mm512_maskz_compress_epi16(high, _mm512_add_epi16(at, _mm512_set1_epi16(32))));
        count += std::popcount(high);
        at = _mm512_add_epi16(at, _mm512_set1_epi16(64));
    }
    return count;
}

// Reads the four records whose terminators are at positions[0 .. 4N] (N
// the pattern's elements) from `base`: positions[0] is the line end before
// the first record, or -1 at the first, into the four records at `out`.
// False where the batch declines; then nothing is stored.
template <LogPattern pattern>
[[gnu::target("avx2,bmi,bmi2,avx512f,avx512bw,avx512vl,avx512dq,avx512vbmi,avx512vbmi2,avx512bitalg")]] inline bool
read_four_avx512(const char* base, const std::int16_t* positions, AppData* out)
{
    constexpr std::size_t n = element_count(pattern);
    constexpr auto kAll = static_cast<__mmask32>((std::uint64_t{1} << (kBatchRecords * n)) - 1);
    const __m512i before = _mm512_loadu_si512(positions);
    const __m512i after = _mm512_loadu_si512(positions + 1);
    const __m512i lengths =
        _mm512_sub_epi16(_mm512_sub_epi16(after, before), _mm512_loadu_si512(kBatchNumbers<pattern>[0].data()));
    if ((_mm512_cmpgt_epu16_mask(_mm512_sub_epi16(lengths, _mm512_set1_epi16(1)),
                                 _mm512_loadu_si512(kBatchNumbers<pattern>[1].data())) & kAll) != 0 ||
        !kPlainLeads[0].starts(base + positions[0] + 1))
        return false;
    // The leads: eight bytes gathered at each terminator, eight terminators a gather.
    const __m512i low = _mm512_maskz_cvtepi16_epi32(0xFFFF, _mm512_maskz_extracti64x4_epi64(0xF, after, 0));
    const __m512i high = _mm512_maskz_cvtepi16_epi32(0xFFFF, _mm512_maskz_extracti64x4_epi64(0xF, after, 1));
    const __m256i at[] = {_mm512_maskz_extracti64x4_epi64(0xF, low, 0), _mm512_maskz_extracti64x4_epi64(0xF, low, 1),
                          _mm512_maskz_extracti64x4_epi64(0xF, high, 0)};
    static_assert(std::size(at) * 8 >= kBatchRecords * kMostElements, "a gather for every eight terminators");
    std::uint32_t wrong = 0;
#pragma GCC unroll 4
    for (std::size_t g = 0; g < (kBatchRecords * n + 7) / 8; ++g) {
        const auto in_batch = static_cast<__mmask8>(kAll >> (8 * g));
        const __m512i leads = _mm512_mask_i32gather_epi64(_mm512_setzero_si512(), in_batch, at[g], base, 1);
        wrong |= _mm512_mask_cmpneq_epi64_mask(
            in_batch, _mm512_and_si512(leads, _mm512_loadu_si512(kBatchLeads<pattern>[1].data() + 8 * g)),
            _mm512_loadu_si512(kBatchLeads<pattern>[0].data() + 8 * g));
    }
    if (wrong != 0)
        return false;
    // The four records, as AppData lays them out one after another: 20
    // 32-bit fields, the first 16 in one register, the last 4 in another.
    __m512i first_fields = _mm512_setzero_si512();
    __m512i last_fields = _mm512_setzero_si512();
#pragma GCC unroll 8
    for (std::size_t k = 0; k < n; ++k) {
        const std::array<const char*, kBatchRecords> ends = {base + positions[k + 1], base + positions[n + k + 1],
                                                             base + positions[2 * n + k + 1],
                                                             base + positions[3 * n + k + 1]};
        const __m512i lane_lengths = _mm512_maskz_permutexvar_epi8(
            ~std::uint64_t{0}, _mm512_loadu_si512(kLengthLanes<pattern>[k].data()), lengths);
        __m256i numbers;
        if (kElements[k].is_integer() ? !four_numbers<true>(ends, lane_lengths, numbers)
                                      : !four_numbers<false>(ends, lane_lengths, numbers))
            return false;
        const __m512i values = _mm512_mask_inserti64x4(_mm512_setzero_si512(), 0xFF, _mm512_setzero_si512(), numbers, 0);
        // Field k of record r is the record's field 5 r + k; its value is element 2 r.
        const __m512i by_record = _mm512_set_epi32(6, 4, 4, 4, 4, 4, 2, 2, 2, 2, 2, 0, 0, 0, 0, 0);
        const auto field = [&](std::size_t d) { return d % kMostElements == k ? 1u : 0u; };
        __mmask16 first_mask = 0;
        for (std::size_t d = 0; d < 16; ++d)
            first_mask = static_cast<__mmask16>(first_mask | field(d) << d);
        first_fields = _mm512_mask_permutexvar_epi32(first_fields, first_mask, by_record,
                                                     values);
        if (k > 0)
            last_fields = _mm512_mask_permutexvar_epi32(last_fields, static_cast<__mmask16>(1u << (k - 1)),
                                                        _mm512_set1_epi32(6), values);
    }
    _mm512_storeu_si512(out, first_fields);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(reinterpret_cast<char*>(out) + 64),
                     _mm512_maskz_extracti32x4_epi32(0xF, last_fields, 0));
    return true;
}

}  // namespace logformat
