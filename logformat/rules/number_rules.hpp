#pragma once

// Numbers by the character rules, as the C library's scanf reads "%d" and
// "%f", of any length:
//  - A number skips white space first, line ends included.
//  - An integer is [+-]digits, in base ten. One outside the signed 32-bit
//    range is no number for the field: its digits are read, nothing is
//    stored, and the match ends.
//  - A floating number is [+-]digits with at most one full stop, which may
//    stand first or last, then e[+-]digits; or one of the words inf,
//    infinity and nan in any case. It is stored as the nearest float.
//  - The number ends before the first byte that cannot continue it, which is
//    left unread.
// A plain number is read at once (conversion/plain_number.hpp), its digits found by the
// kernel of the stream's instruction set; anything else byte by byte, out of
// line, in code that no instruction set does faster and that is the same
// for every set. With notes, every number is read byte by byte: a failed
// one tells where it began and what it read, and a stored one any change a
// decision made to its value (a plain "0" may be the start of "0x1p3").

#include "logformat/bytes/cursor.hpp"
#include "logformat/conversion/digits.hpp"
#include "logformat/conversion/plain_number.hpp"
#include "logformat/read_notes.hpp"
#include "logformat/routes/kernels.hpp"

#include <cstddef>
#include <cstdint>

namespace logformat {

static_assert(BlockBuffer::kPadding >= kWidestLoad, "a digit classification from the last byte of the data");

// Where a number read by the character rules leaves the cursor, and whether
// it stored. The cursor goes in and comes back by value, so that a caller's
// cursor stays in registers.
struct NumberRead {
    Cursor cursor;
    bool stored;
};

NumberRead integer_by_rules(Cursor c, std::int32_t& field, ReadNotes* notes);
NumberRead real_by_rules(Cursor c, float& field, ReadNotes* notes, std::size_t element);

// "%d" into `field`; false when there is no number there.
template <InstructionSet set>
[[gnu::always_inline]] inline bool read_integer(Cursor& c, std::int32_t& field, ReadNotes* notes)
{
    if (const int n = notes == nullptr ? plain_integer(c.p, Kernels<set>::digit_mask_16(c.p), c.room(), field) : 0;
        n > 0) {
        c.p += n;
        return true;
    }
    const NumberRead r = integer_by_rules(c, field, notes);
    c = r.cursor;
    return r.stored;
}

// "%f" into `field`; false when there is no number there.
template <InstructionSet set>
[[gnu::always_inline]] inline bool read_real(Cursor& c, float& field, ReadNotes* notes, std::size_t element)
{
    if (const int n = notes == nullptr ? plain_real<set>(c.p, Kernels<set>::digit_mask_16(c.p), c.room(), field) : 0;
        n > 0) {
        c.p += n;
        return true;
    }
    const NumberRead r = real_by_rules(c, field, notes, element);
    c = r.cursor;
    return r.stored;
}

}  // namespace logformat
