#pragma once

// The AVX-512 batch (batch/batch.hpp says what a batch is): the structural
// pass compresses each 64 bytes' terminators to their positions with two
// compressed stores; a batch's lengths come in one register, and each
// record's leads from its own bytes by one byte permute (leads.hpp); each
// floating element's four numbers are read in one register (numbers.hpp),
// the integers of all four records in one more (integers.hpp). Included
// only by the AVX-512 read (read.cpp).

#include "logformat/app_data.hpp"
#include "logformat/batch/batch.hpp"
#include "logformat/pattern.hpp"
#include "logformat/x86/avx512/integers.hpp"
#include "logformat/x86/avx512/kernels.hpp"
#include "logformat/x86/avx512/leads.hpp"
#include "logformat/x86/avx512/numbers.hpp"
#include "logformat/x86/avx512/target.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <immintrin.h>

namespace logformat {

namespace avx512 {

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

// For each of the 20 fields of four records (field k of record r is field
// 5 r + k), where read_four finds it: element 4 k + r of the values,
// or, for the last element where it is an integer, lane 4 + r of the
// integers, which the permute counts from 16. A field the pattern lacks
// takes L's.
template <LogPattern pattern>
inline constexpr auto kRecordFields = [] {
    constexpr std::size_t n = element_count(pattern);
    std::array<std::uint32_t, 32> fields{};
    for (std::size_t d = 0; d < kBatchRecords * kMostElements; ++d) {
        const std::size_t r = d / kMostElements;
        const std::size_t k = d % kMostElements;
        fields[d] = static_cast<std::uint32_t>(k >= n                               ? r
                                               : kElements[k].is_integer() && k > 0 ? 16 + 4 + r
                                                                                    : 4 * k + r);
    }
    return fields;
}();

}  // namespace avx512

// The structural pass: the positions of the terminators of the whole 64-byte
// chunks from p (at most kMostChunks) into positions[count] on, until
// `wanted` are listed; returns the count listed, with the `count` before.
[[gnu::target(LOGFORMAT_AVX512_TARGET)]] inline int
Kernels<InstructionSet::Avx512>::list_terminators(const char* p, const char* end, int wanted, Terminators& positions,
                                                  int count)
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

namespace avx512 {

// The batch once its lengths are checked (read_four): with `long_numbers`,
// where some floating number is longer than a lane, each element whose
// lanes hold one takes the path for numbers of two lanes.
template <LogPattern pattern, bool long_numbers>
[[gnu::target(LOGFORMAT_AVX512_TARGET), gnu::always_inline]] inline bool
read_records(const char* base, const std::int16_t* positions, const char* end, __m512i after, __m512i lengths,
             AppData* out)
{
    constexpr std::size_t n = element_count(pattern);
    if (!leads_match<pattern>(base, positions, end, after))
        return false;
    constexpr auto kIntegers = kIntegerLanes<pattern>;
    std::array<const char*, 2 * kBatchRecords> integer_ends{};
    for (std::size_t i = 0; i < integer_ends.size(); ++i)
        integer_ends[i] = base + positions[kIntegers[i] + 1];
    // No load begins before the batch but the first lane's, which is masked.
    for (std::size_t i = 1; i < integer_ends.size(); ++i)
        assert(integer_ends[i] - kIntegerLaneBytes >= base);
    __m256i integers;
    if (!read_integers(integer_ends,
                       _mm512_maskz_permutexvar_epi8(~std::uint64_t{0},
                                                     _mm512_loadu_si512(kIntegerLengthLanes<pattern>.data()), lengths),
                       integers))
        return false;
    // Element k of record r in 32-bit element 4 k + r (the integers' lanes
    // 0 to 3 are L's), and the integers as read_integers gives them.
    // (A masked insert: the zero extension warns of an undefined upper half.)
    const __m512i integer_values =
        _mm512_mask_inserti64x4(_mm512_setzero_si512(), 0xFF, _mm512_setzero_si512(), integers, 0);
    __m512i values = integer_values;
#pragma GCC unroll 8
    for (std::size_t k = 1; k < kMostElements; ++k) {
        if (k >= n || kElements[k].is_integer())
            continue;
        const std::array<const char*, kBatchRecords> ends = {base + positions[k + 1], base + positions[n + k + 1],
                                                             base + positions[2 * n + k + 1],
                                                             base + positions[3 * n + k + 1]};
        for (std::size_t r = 1; r < kBatchRecords; ++r)
            assert(ends[r] - kLaneBytes >= base);
        const __m512i lane_lengths = _mm512_maskz_permutexvar_epi8(
            ~std::uint64_t{0}, _mm512_loadu_si512(kLengthLanes<pattern>[k].data()), lengths);
        __m128i numbers;
        if (long_numbers && _mm512_cmpgt_epu8_mask(lane_lengths, _mm512_set1_epi8(kLaneBytes)) != 0) {
            if (!four_long_numbers(ends, lane_lengths, numbers))
                return false;
        } else if (!four_numbers(ends, lane_lengths, numbers)) {
            return false;
        }
        values = _mm512_mask_broadcast_i32x4(values, static_cast<__mmask16>(0xF << (4 * k)), numbers);
    }
    // The four records, as AppData lays them out one after another: 20
    // 32-bit fields, the first 16 in one register, the last 4 in another.
    const __m512i first_fields = _mm512_maskz_permutex2var_epi32(
        0xFFFF, values, _mm512_loadu_si512(kRecordFields<pattern>.data()), integer_values);
    const __m512i last_fields = _mm512_maskz_permutex2var_epi32(
        0xFFFF, values, _mm512_loadu_si512(kRecordFields<pattern>.data() + 16), integer_values);
    _mm512_storeu_si512(out, first_fields);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(reinterpret_cast<char*>(out) + 64),
                     _mm512_maskz_extracti32x4_epi32(0xF, last_fields, 0));
    return true;
}

// The batch with numbers longer than a lane, out of line, so that the
// copy without them keeps the registers it had.
template <LogPattern pattern>
[[gnu::target(LOGFORMAT_AVX512_TARGET), gnu::noinline]] bool
read_records_with_long_numbers(const char* base, const std::int16_t* positions, const char* end, __m512i after,
                               __m512i lengths, AppData* out)
{
    return read_records<pattern, true>(base, positions, end, after, lengths, out);
}

}  // namespace avx512

// Reads the four records whose terminators are at positions[0 .. 4N] (N
// the pattern's elements) from `base`: positions[0] is the line end before
// the first record, or -1 at the first, and the fill has found "L:" after
// it; into the four records at `out`.
// False where the batch declines; then nothing is stored. Called out of
// line, as the AVX2 batch is. A batch without a number longer than a lane,
// as most logs write every one, takes a copy without the checks of longer
// numbers.
template <LogPattern pattern>
[[gnu::target(LOGFORMAT_AVX512_TARGET), gnu::noinline]] inline bool
Kernels<InstructionSet::Avx512>::read_four(const char* base, const std::int16_t* positions, const char* end,
                                           AppData* out)
{
    constexpr std::size_t n = element_count(pattern);
    constexpr auto kAll = static_cast<__mmask32>((std::uint64_t{1} << (kBatchRecords * n)) - 1);
    const __m512i before = _mm512_loadu_si512(positions);
    const __m512i after = _mm512_loadu_si512(positions + 1);
    const __m512i lengths =
        _mm512_sub_epi16(_mm512_sub_epi16(after, before), _mm512_loadu_si512(kBatchNumbers<pattern>[0].data()));
    const __m512i shorter = _mm512_sub_epi16(lengths, _mm512_set1_epi16(1));
    if ((_mm512_cmpgt_epu16_mask(shorter, _mm512_loadu_si512(kBatchNumbers<pattern>[1].data())) & kAll) != 0) {
        if ((_mm512_cmpgt_epu16_mask(shorter, _mm512_loadu_si512(kBatchNumbers<pattern>[2].data())) & kAll) != 0)
            return false;
        return avx512::read_records_with_long_numbers<pattern>(base, positions, end, after, lengths, out);
    }
    return avx512::read_records<pattern, false>(base, positions, end, after, lengths, out);
}

}  // namespace logformat
