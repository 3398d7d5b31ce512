#pragma once

// The batch: records in their plain form read four at a time, one element of
// the four records at once, by the sets whose kernels read batches (AVX2,
// AVX-512); what is written once for all of them.
//
// A structural pass marks the terminators (',' and '\n') of the bytes ahead,
// 64 at a time, and lists their positions, once for each fill of the
// read-ahead. A batch is the next four records' terminators, an element's
// number ending at each: all its numbers' lengths come at once and are
// checked with one compare, the leads before them with one compare for
// every few terminators, and each floating element's four numbers are read
// together, each in a 16-byte lane that ends where the number ends, the
// integers in 8-byte lanes. A batch reads the four records exactly as the
// window would, or declines as a whole, storing nothing: wherever a number
// is not plain, longer than a lane, or a value the fast conversion cannot
// settle, and wherever a record is not followed, after one line end, by the
// next "L:". The fill
// (batch/fill.hpp) then has the window read the batch's first record, and
// the batches go on from the next. Each set's structural pass and batch are
// its own (x86/avx2/batch.hpp, x86/avx512/batch.hpp: the kernels
// list_terminators and read_four); the tables below are theirs.

#include "logformat/app_data.hpp"
#include "logformat/bytes/block_buffer.hpp"
#include "logformat/pattern.hpp"
#include "logformat/routes/read_ahead.hpp"
#include "logformat/window/window.hpp"

#include <array>
#include <cstddef>
#include <cstdint>

namespace logformat {

// The records of one batch.
inline constexpr int kBatchRecords = 4;
// The longest number a lane holds: a floating one, an integer.
inline constexpr int kLaneBytes = 16;
inline constexpr int kIntegerLaneBytes = 8;
// The longest floating number a batch reads: a minus, 19 digits and a
// point, as the shortest decimal of a double writes it
// ("-0.12345678901234567"); one longer than a lane takes two.
inline constexpr int kLongestFloating = 1 + 19 + 1;
static_assert(kLongestFloating <= 2 * kLaneBytes);

// The 64-byte chunks one structural pass reads at most: their positions
// stay below 2^15.
inline constexpr long kMostChunks = 64;
// The terminators' positions of one fill, from the data's start: the line
// end before the first record (-1), then as many as give every record the
// read-ahead takes its terminators, with room for a set's pass to store a
// chunk's positions (64 at most) from any count below that, and for a
// batch's loads of 33 from any batch's first.
using Terminators = std::array<std::int16_t, ReadAhead::kSamples * kMostElements + 1 + 64 + 32>;

static_assert(BlockBuffer::kPadding >= 8, "eight bytes compared at the last terminator of the data and after it");
static_assert(sizeof(AppData) == 4 * kMostElements && kElements[0].integer == &AppData::L &&
                  kElements[1].real == &AppData::CPU && kElements[2].real == &AppData::B &&
                  kElements[3].real == &AppData::MCPU && kElements[4].integer == &AppData::P,
              "a record is its elements' 32-bit fields in order, as a batch stores them");

// The bytes from a terminator to the number after it: ", CPU:" for a later
// element; "\nL:" for the first, whose terminator is the line end before it.
constexpr int lead_skip(std::size_t element)
{
    return element == 0 ? 1 + kPlainLeads[0].length : kPlainLeads[element].length;
}

// For each terminator of a batch after the first, what it and the bytes
// after it must be: ", CPU:" before a later element, "\nL:" before a record.
template <LogPattern pattern>
inline constexpr auto kBatchLeads = [] {
    constexpr std::size_t n = element_count(pattern);
    std::array<std::uint64_t, 32> bytes{};
    std::array<std::uint64_t, 32> masks{};
    for (std::size_t j = 0; j < kBatchRecords * n; ++j) {
        const std::size_t e = (j + 1) % n;
        bytes[j] = e == 0 ? '\n' | kPlainLeads[0].bytes << 8 : kPlainLeads[e].bytes;
        masks[j] = e == 0 ? 0xFF | kPlainLeads[0].mask << 8 : kPlainLeads[e].mask;
    }
    return std::array{bytes, masks};
}();

// For each number j of a batch (element j % n of record j / n): the bytes
// from the terminator before it to its first, its longest length less one
// in a lane, and the same where a floating number may take two lanes. A
// batch whose numbers fit their lanes, as most logs write every one, is
// read without the checks of longer ones.
template <LogPattern pattern>
inline constexpr auto kBatchNumbers = [] {
    constexpr std::size_t n = element_count(pattern);
    std::array<std::int16_t, 32> skips{};
    std::array<std::int16_t, 32> limits{};
    std::array<std::int16_t, 32> long_limits{};
    for (std::size_t j = 0; j < kBatchRecords * n; ++j) {
        const bool integer = kElements[j % n].is_integer();
        skips[j] = static_cast<std::int16_t>(lead_skip(j % n));
        limits[j] = static_cast<std::int16_t>((integer ? kIntegerLaneBytes : kLaneBytes) - 1);
        long_limits[j] = static_cast<std::int16_t>((integer ? kIntegerLaneBytes : kLongestFloating) - 1);
    }
    return std::array{skips, limits, long_limits};
}();

}  // namespace logformat
