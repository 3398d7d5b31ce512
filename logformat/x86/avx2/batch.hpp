#pragma once

// The AVX2 batch (batch/batch.hpp says what a batch is): the structural
// pass marks each 64 bytes' terminators with two 32-byte compares and lists
// their positions by counting trailing zeros; a batch's lengths come in one
// or two registers and its leads with a gather for every four terminators
// (leads.hpp); each floating element's four numbers are read in two
// registers (numbers.hpp), the integers in 8-byte lanes (integers.hpp).
// Included only by the AVX2 read (read.cpp).

#include "logformat/app_data.hpp"
#include "logformat/batch/batch.hpp"
#include "logformat/pattern.hpp"
#include "logformat/routes/read_ahead.hpp"
#include "logformat/x86/avx2/integers.hpp"
#include "logformat/x86/avx2/kernels.hpp"
#include "logformat/x86/avx2/leads.hpp"
#include "logformat/x86/avx2/numbers.hpp"
#include "logformat/x86/avx2/target.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <immintrin.h>
#include <tuple>

namespace logformat {

namespace avx2 {

// The terminators of 32 bytes, one bit a byte.
[[gnu::target(LOGFORMAT_AVX2_TARGET), gnu::always_inline]] inline std::uint64_t terminators_of_32(const char* at)
{
    const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_or_si256(
        _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8(',')), _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('\n')))));
}

// Sixteen 16-bit numbers from memory.
[[gnu::target(LOGFORMAT_AVX2_TARGET), gnu::always_inline]] inline __m256i load_16(const std::int16_t* at)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}

// Two bits for each of 16 numbers whose value is at most its limit.
[[gnu::target(LOGFORMAT_AVX2_TARGET), gnu::always_inline]] inline std::uint64_t at_most(__m256i values,
                                                                                        const std::int16_t* limits)
{
    const __m256i limit = load_16(limits);
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi16(_mm256_max_epu16(values, limit), limit)));
}

// The lengths of four integers of a batch (numbers 0 to 15 in the first
// lane of `length_bytes`, 8 to 23 in the second) in each byte of four
// 8-byte lanes: the first two numbers' in the first 16-byte lane, the last
// two's in the second.
[[gnu::target(LOGFORMAT_AVX2_TARGET), gnu::always_inline]] inline __m256i
integer_lane_lengths(__m256i length_bytes, std::size_t first, std::size_t second, std::size_t third, std::size_t fourth)
{
    constexpr std::uint64_t kEveryByte = 0x0101010101010101;
    return _mm256_shuffle_epi8(length_bytes, _mm256_setr_epi64x(static_cast<long long>(first * kEveryByte),
                                                                static_cast<long long>(second * kEveryByte),
                                                                static_cast<long long>((third - 8) * kEveryByte),
                                                                static_cast<long long>((fourth - 8) * kEveryByte)));
}

}  // namespace avx2

// The structural pass: the positions of the terminators of the whole 64-byte
// chunks from p (at most kMostChunks) into positions[count] on, until
// `wanted` are listed; returns the count listed, with the `count` before.
// Eight positions are stored for every chunk, whatever its count: those
// beyond it are past the chunk's and beyond the count returned.
static_assert(std::tuple_size_v<Terminators> >= ReadAhead::kSamples * kMostElements + 64,
              "a chunk's 64 positions stored from any count below the most a fill wants");
[[gnu::target(LOGFORMAT_AVX2_TARGET)]] inline int
Kernels<InstructionSet::Avx2>::list_terminators(const char* p, const char* end, int wanted, Terminators& positions,
                                                int count)
{
    const long chunks = std::min<long>(kMostChunks, (end - p) / 64);
    for (long c = 0; c < chunks && count < wanted; ++c) {
        std::uint64_t bits = avx2::terminators_of_32(p + 64 * c) | avx2::terminators_of_32(p + 64 * c + 32) << 32;
        const int found = std::popcount(bits);
        std::int16_t* const at = positions.data() + count;
        // Eight whatever the count (a position 64 past the chunk's where none
        // is left), then the rest of them.
        int i = 0;
#pragma GCC unroll 8
        for (; i < 8; ++i) {
            at[i] = static_cast<std::int16_t>(64 * c + static_cast<long>(_tzcnt_u64(bits)));
            bits = _blsr_u64(bits);
        }
        if (found > 8) [[unlikely]]
            for (; i < found; ++i) {
                at[i] = static_cast<std::int16_t>(64 * c + static_cast<long>(_tzcnt_u64(bits)));
                bits = _blsr_u64(bits);
            }
        count += found;
    }
    return count;
}

namespace avx2 {

// The batch once its lengths are checked (read_four): with `long_numbers`,
// where some floating number is longer than a lane, each element whose
// lanes hold one takes the path for numbers of two lanes.
template <LogPattern pattern, bool long_numbers>
[[gnu::target(LOGFORMAT_AVX2_TARGET), gnu::always_inline]] inline bool
read_records(const char* base, const std::int16_t* positions, __m256i first_lengths, __m256i last_lengths, AppData* out)
{
    constexpr std::size_t n = element_count(pattern);
    if (!leads_match<pattern>(base, positions))
        return false;
    // The lengths as bytes: numbers 0 to 15 in the first lane, 8 to 23 in the second.
    const __m256i length_bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(first_lengths, last_lengths), 0x68);
    // Each element's four values, then the records, one after another. The
    // integers in 8-byte lanes: in Full, L and P in two registers; in Short,
    // L in one.
    __m128i values[kMostElements] = {};
    static_assert(kElements[0].is_integer() && kElements[kMostElements - 1].is_integer() &&
                  !kElements[kMostElements - 2].is_integer());
    const auto ends_of = [&](std::size_t k) {
        return std::array<const char*, kBatchRecords>{base + positions[k + 1], base + positions[n + k + 1],
                                                      base + positions[2 * n + k + 1], base + positions[3 * n + k + 1]};
    };
    constexpr bool kFull = n == kMostElements;
    LanePairs integer_lengths;
    __m128i unused;
    if constexpr (kFull) {
        integer_lengths.of[0] = integer_lane_lengths(length_bytes, 0, n - 1, 2 * n, 3 * n - 1);
        integer_lengths.of[1] = integer_lane_lengths(length_bytes, n, 2 * n - 1, 3 * n, 4 * n - 1);
        if (!read_integers<2>(ends_of(0), ends_of(n - 1), integer_lengths, values[0], values[n - 1]))
            return false;
    } else {
        const auto ends = ends_of(0);
        integer_lengths.of[0] = integer_lane_lengths(length_bytes, 0, n, 2 * n, 3 * n);
        if (!read_integers<1>({ends[0], nullptr, ends[2], nullptr}, {ends[1], nullptr, ends[3], nullptr},
                              integer_lengths, values[0], unused))
            return false;
    }
#pragma GCC unroll 8
    for (std::size_t k = 0; k < n; ++k) {
        if (kElements[k].is_integer())
            continue;
        LanePairs lane_lengths;
#pragma GCC unroll 8
        for (std::size_t h = 0; h < 2; ++h)
            lane_lengths.of[h] = _mm256_shuffle_epi8(
                length_bytes, _mm256_setr_m128i(_mm_set1_epi8(static_cast<char>(h * n + k)),
                                                _mm_set1_epi8(static_cast<char>((h + 2) * n + k - 8))));
        if (long_numbers && _mm256_movemask_epi8(_mm256_or_si256(
                                _mm256_cmpgt_epi8(lane_lengths.of[0], _mm256_set1_epi8(kLaneBytes)),
                                _mm256_cmpgt_epi8(lane_lengths.of[1], _mm256_set1_epi8(kLaneBytes)))) != 0) {
            if (!four_long_numbers(ends_of(k), lane_lengths, values[k]))
                return false;
        } else if (!four_numbers(ends_of(k), lane_lengths, values[k])) {
            return false;
        }
    }
    // The first four fields of each record by a transpose; the fifth, in Full, one by one.
    const __m128i low_pairs = _mm_unpacklo_epi32(values[0], values[1]);   // L and CPU of records 0 and 1
    const __m128i high_pairs = _mm_unpackhi_epi32(values[0], values[1]);  // of records 2 and 3
    const __m128i low_pairs2 = _mm_unpacklo_epi32(values[2], values[3]);  // B and MCPU
    const __m128i high_pairs2 = _mm_unpackhi_epi32(values[2], values[3]);
    const __m128i records[kBatchRecords] = {
        _mm_unpacklo_epi64(low_pairs, low_pairs2), _mm_unpackhi_epi64(low_pairs, low_pairs2),
        _mm_unpacklo_epi64(high_pairs, high_pairs2), _mm_unpackhi_epi64(high_pairs, high_pairs2)};
    std::array<std::int32_t, kBatchRecords> fifth{};
    _mm_storeu_si128(reinterpret_cast<__m128i*>(fifth.data()), values[4]);
#pragma GCC unroll 8
    for (std::size_t r = 0; r < kBatchRecords; ++r) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + r), records[r]);
        if (n == kMostElements)
            out[r].*kElements[4].integer = fifth[r];
    }
    return true;
}

// The batch with numbers longer than a lane, out of line, so that the
// copy without them keeps the registers it had; its lengths by value, so
// that they need no place in memory (nor the stack protector's check).
template <LogPattern pattern>
[[gnu::target(LOGFORMAT_AVX2_TARGET), gnu::noinline]] bool
read_records_with_long_numbers(const char* base, const std::int16_t* positions, __m256i first_lengths,
                               __m256i last_lengths, AppData* out)
{
    return read_records<pattern, true>(base, positions, first_lengths, last_lengths, out);
}

}  // namespace avx2

// Reads the four records whose terminators are at positions[0 .. 4N] (N
// the pattern's elements) from `base`: positions[0] is the line end before
// the first record, or -1 at the first, and the fill has found "L:" after
// it; into the four records at `out`.
// False where the batch declines; then nothing is stored. It reads no
// further than eight bytes past its last terminator, inside the padding: it
// needs no end. Out of line: inlined in the fill's loop, its constants were
// hoisted and spilled. A batch without a number longer than a lane, as most
// logs write every one, takes a copy without the checks of longer numbers.
template <LogPattern pattern>
[[gnu::target(LOGFORMAT_AVX2_TARGET), gnu::noinline]] inline bool
Kernels<InstructionSet::Avx2>::read_four(const char* base, const std::int16_t* positions, const char* /*end*/,
                                         AppData* out)
{
    constexpr std::size_t n = element_count(pattern);
    constexpr std::size_t kNumbers = kBatchRecords * n;
    static_assert(n >= 4 && kBatchRecords == 4, "a record's first four fields stored by a transpose of four by four");
    // The lengths, 16 in a register: each less one, at most its limit in
    // a lane, or else where a floating number may take two.
    __m256i lengths[2] = {};
    __m256i shorter[2] = {};
    std::uint64_t in_lanes = 0;
#pragma GCC unroll 8
    for (std::size_t g = 0; 16 * g < kNumbers; ++g) {
        lengths[g] =
            _mm256_sub_epi16(_mm256_sub_epi16(avx2::load_16(positions + 1 + 16 * g), avx2::load_16(positions + 16 * g)),
                             avx2::load_16(kBatchNumbers<pattern>[0].data() + 16 * g));
        shorter[g] = _mm256_sub_epi16(lengths[g], _mm256_set1_epi16(1));
        in_lanes |= avx2::at_most(shorter[g], kBatchNumbers<pattern>[1].data() + 16 * g) << (32 * g);
    }
    constexpr std::uint64_t kAll = (std::uint64_t{1} << (2 * kNumbers)) - 1;  // two bits a length
    if ((in_lanes & kAll) != kAll) {
        std::uint64_t in_range = 0;
#pragma GCC unroll 8
        for (std::size_t g = 0; 16 * g < kNumbers; ++g)
            in_range |= avx2::at_most(shorter[g], kBatchNumbers<pattern>[2].data() + 16 * g) << (32 * g);
        if ((in_range & kAll) != kAll)
            return false;
        return avx2::read_records_with_long_numbers<pattern>(base, positions, lengths[0], lengths[1], out);
    }
    return avx2::read_records<pattern, false>(base, positions, lengths[0], lengths[1], out);
}

}  // namespace logformat
