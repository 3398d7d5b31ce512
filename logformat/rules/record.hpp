#pragma once

// A record by the character rules: the format's rules byte by byte, element
// after element, through the cursor (bytes/cursor.hpp), which refills the
// buffer as the text streams in; the route every record can take, and the
// reference the window and the batch are held against. Written once for
// every instruction set: the set's kernels find the digits of the plain
// numbers tried first (rules/number_rules.hpp).

#include "logformat/app_data.hpp"
#include "logformat/bytes/block_buffer.hpp"
#include "logformat/bytes/cursor.hpp"
#include "logformat/instruction_set.hpp"
#include "logformat/pattern.hpp"
#include "logformat/read_notes.hpp"
#include "logformat/rules/number_rules.hpp"
#include "logformat/window/window.hpp"

#include <cstddef>
#include <string_view>

namespace logformat {

// Tells `notes`, if any, that the match broke off at `part` of `element`,
// after `consumed`, which ends at the cursor. Out of line: a match breaks
// once a log.
void note_break(ReadNotes* notes, std::size_t element, Part part, std::string_view consumed, const Cursor& c);

// What comes before element i's number: its comma and white space, unless
// it is the first, then its tag. The plain form ", CPU:" is taken at once.
[[gnu::always_inline]] inline bool lead(Cursor& c, std::size_t i, ReadNotes* notes)
{
    if (kPlainLeads[i].starts(c.p)) {
        c.p += kPlainLeads[i].length;
        return true;
    }
    if (i > 0) {
        if (c.literal(",") == 0) {
            note_break(notes, i, Part::Comma, "", c);
            return false;
        }
        c.skip_space();
    }
    const std::string_view tag = kElements[i].tag;
    if (const std::size_t matched = c.literal(tag); matched < tag.size()) {
        note_break(notes, i, Part::Tag, tag.substr(0, matched), c);
        return false;
    }
    return true;
}

// Element i's number into its field of `fields`.
template <InstructionSet set>
[[gnu::always_inline]] inline bool number(Cursor& c, std::size_t i, AppData& fields, ReadNotes* notes)
{
    const Element& e = kElements[i];
    const bool stored =
        e.is_integer() ? read_integer<set>(c, fields.*e.integer, notes) : read_real<set>(c, fields.*e.real, notes, i);
    if (!stored && notes != nullptr) {
        // The number told where it began and what it read; the rest is said here.
        notes->stop.element = i;
        notes->stop.part = Part::Number;
    }
    return stored;
}

// A record's elements by the character rules, one after another, up to its
// closing white space. Returns the number of fields stored.
template <InstructionSet set>
[[gnu::always_inline]] inline std::size_t read_elements(Cursor& c, LogPattern pattern, AppData& fields,
                                                        ReadNotes* notes)
{
    const std::size_t elements = elements_of(pattern).size();
    std::size_t stored = 0;
#pragma GCC unroll 8
    for (; stored < elements; ++stored)
        if (!lead(c, stored, notes) || !number<set>(c, stored, fields, notes))
            break;
    if (notes != nullptr)
        notes->complete = stored == elements;
    return stored;
}

// A record by the character rules, into a copy of the record that is kept
// unless a read fault cut the record short; then a whole record's closing
// white space, where a fault loses nothing. Returns the fields stored, or -1
// when the input ended before the first of them. Out of line, so that the
// window's path stays short; it is compiled without the set's target, so a
// kernel of the set that needs one (AVX2's conversion) is called here rather
// than inlined: still the set's own code, on a path few records take.
template <InstructionSet set>
[[gnu::noinline]] int read_by_rules(BlockBuffer& bytes, LogPattern pattern, AppData& record, ReadNotes* notes)
{
    AppData fields = record;
    Cursor c{&bytes};
    const std::size_t stored = pattern == LogPattern::Full ? read_elements<set>(c, LogPattern::Full, fields, notes)
                                                           : read_elements<set>(c, LogPattern::Short, fields, notes);
    if (bytes.error() != 0)
        return -1;
    record = fields;
    if (stored == elements_of(pattern).size())
        c.skip_space();
    c.release();
    return c.ended && stored == 0 ? -1 : static_cast<int>(stored);
}

}  // namespace logformat
