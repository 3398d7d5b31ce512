#pragma once

// The AVX-512 batch's leads: each record's bytes from its start, and one
// byte permute that takes the eight at each of its terminators, to compare
// with what they must be (batch/batch.hpp's kBatchLeads) at once.

#include "logformat/batch/batch.hpp"
#include "logformat/bytes/block_buffer.hpp"
#include "logformat/pattern.hpp"
#include "logformat/x86/avx512/target.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <immintrin.h>

namespace logformat::avx512 {

// The bytes of a record that its leads are taken from, from its start:
// enough for the eight at each of its terminators, the last one's too, when
// each number is as long as a batch reads it.
inline constexpr long kRecordBytes = 128;
// The bytes of a record whose every number is as long as a batch reads it,
// with the line end before it.
constexpr long longest_record()
{
    long bytes = 0;
    for (std::size_t k = 0; k < kMostElements; ++k)
        bytes += lead_skip(k) + (kElements[k].is_integer() ? kIntegerLaneBytes : kLongestFloating);
    return bytes;
}
static_assert(longest_record() + 8 <= kRecordBytes,
              "a record of the longest numbers and the eight bytes at its last terminator fit its bytes");

// For each record r of a batch, the byte shuffle that fills eight bytes for
// each of its terminators with the terminator's place (the low byte of its
// 16-bit place, counted from the record's start).
template <LogPattern pattern>
inline constexpr auto kLeadSpread = [] {
    constexpr std::size_t n = element_count(pattern);
    std::array<std::array<std::uint8_t, 64>, kBatchRecords> spread{};
    for (std::size_t r = 0; r < kBatchRecords; ++r)
        for (std::size_t b = 0; b < 64; ++b)
            spread[r][b] = static_cast<std::uint8_t>(2 * (r * n + std::min(b / 8, n - 1)));
    return spread;
}();

// What the eight bytes at each terminator of a record must be (kBatchLeads
// for its terminators, which are the same for every record), byte by byte:
// the offsets 0 to 7 after each terminator, the bytes, and which of them are
// compared.
struct RecordLeads {
    std::array<std::uint8_t, 64> offsets;
    std::array<std::uint8_t, 64> bytes;
    std::uint64_t compared;
};
template <LogPattern pattern>
inline constexpr RecordLeads kRecordLeads = [] {
    constexpr std::size_t n = element_count(pattern);
    RecordLeads leads{};
    for (std::size_t b = 0; b < 8 * n; ++b) {
        leads.offsets[b] = static_cast<std::uint8_t>(b % 8);
        leads.bytes[b] = static_cast<std::uint8_t>(kBatchLeads<pattern>[0][b / 8] >> (8 * (b % 8)));
        if ((kBatchLeads<pattern>[1][b / 8] >> (8 * (b % 8)) & 0xFF) != 0)
            leads.compared |= std::uint64_t{1} << b;
    }
    return leads;
}();

// True where each of the four records whose terminators are at
// positions[0 .. 4N] (after: positions[1 ..] in 16-bit elements) has, after
// each terminator, what must follow it; false too where the last record's
// bytes would pass the data's padding (`end`).
template <LogPattern pattern>
[[gnu::target(LOGFORMAT_AVX512_TARGET), gnu::always_inline]] inline bool
leads_match(const char* base, const std::int16_t* positions, const char* end, __m512i after)
{
    constexpr std::size_t n = element_count(pattern);
    if (positions[3 * n] + 1 + kRecordBytes > end - base + static_cast<long>(BlockBuffer::kPadding))
        return false;
    std::uint64_t wrong = 0;
#pragma GCC unroll 4
    for (std::size_t r = 0; r < kBatchRecords; ++r) {
        const char* const start = base + positions[r * n] + 1;
        const __m512i relative = _mm512_sub_epi16(after, _mm512_set1_epi16(static_cast<short>(positions[r * n] + 1)));
        const __m512i index =
            _mm512_add_epi8(_mm512_maskz_permutexvar_epi8(~std::uint64_t{0},
                                                          _mm512_loadu_si512(kLeadSpread<pattern>[r].data()), relative),
                            _mm512_loadu_si512(kRecordLeads<pattern>.offsets.data()));
        const __m512i leads = _mm512_maskz_permutex2var_epi8(~std::uint64_t{0}, _mm512_loadu_si512(start), index,
                                                             _mm512_loadu_si512(start + 64));
        wrong |= _mm512_mask_cmpneq_epi8_mask(kRecordLeads<pattern>.compared, leads,
                                              _mm512_loadu_si512(kRecordLeads<pattern>.bytes.data()));
    }
    return wrong == 0;
}

}  // namespace logformat::avx512
