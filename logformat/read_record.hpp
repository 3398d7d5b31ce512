#pragma once

// The read of one record, written once for every instruction set, which is
// its template parameter; implementations.cpp compiles one copy for each set.
// The reader's own: no program includes it.

#include "logformat/block_buffer.hpp"
#include "logformat/cursor.hpp"
#include "logformat/instruction_set.hpp"
#include "logformat/number_rules.hpp"
#include "logformat/pattern.hpp"
#include "logformat/read_ahead.hpp"
#include "logformat/read_notes.hpp"
#include "logformat/window.hpp"

#include <cstddef>
#include <string_view>

namespace logformat {

inline void note_break(ReadNotes* notes, std::size_t element, Part part, std::string_view consumed, const Cursor& c)
{
    if (notes == nullptr)
        return;
    notes->stop.element = element;
    notes->stop.part = part;
    notes->stop.consumed = consumed;
    notes->stop.at = c.in->position_of(c.offset() - consumed.size());
}

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

// Records in their plain form, each whole inside the buffer with the white
// space that closes it, read from the window one after another into the
// read-ahead, `most` of them at most: true when the first one was.
template <InstructionSet set>
[[gnu::always_inline]] inline bool read_ahead_in_window(const BlockBuffer& bytes, ReadAhead& ahead, LogPattern pattern,
                                                        int most)
{
    const char* p = bytes.data();
    const char* const end = bytes.data_end();
    ahead.start(pattern, bytes);
    // Reads the record at `at` into the read-ahead; returns where the next
    // starts, or null where the window declines.
    const auto read_one = [&](const char* at) -> const char* {
        if (end - at < kWindowBytes)
            return nullptr;
        // Into a local record, which stays in registers: the buffer's bytes
        // are chars, which the stores to a sample in memory could alias.
        AppData fields;
        const int length = read_window<set>(at, pattern, fields);
        if (length == 0)
            return nullptr;
        // Where the closing white space runs to the end of the data, the
        // next block may hold more of it: the character rules read on.
        const char* next = past_space(at + length);
        if (next == end)
            return nullptr;
        ahead.add(fields, next);
        return next;
    };
    if constexpr (set == InstructionSet::Avx2 || set == InstructionSet::Avx512)
        if (most >= Kernels<set>::kBatchRecords)
            p = Kernels<set>::read_ahead_in_batches(p, end, ahead, pattern, most, read_one);
    while (ahead.count() < most) {
        const char* const next = read_one(p);
        if (next == nullptr)
            break;
        p = next;
    }
    return ahead.count() > 0;
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

// One read, in order:
//  1. Records in their plain form are read ahead from the window, and the
//     read takes the first.
//  2. Any other record is read by the character rules.
//  3. The result: the fields stored, or -1 when the input ended before the
//     first of them.
template <InstructionSet set>
[[gnu::always_inline]] inline int read(BlockBuffer& bytes, ReadAhead& ahead, LogPattern pattern, AppData& record,
                                       ReadNotes* notes)
{
    // A read with notes takes one record at a time, unless they ask to read ahead.
    const bool one_record = notes != nullptr && !notes->read_ahead;
    if (read_ahead_in_window<set>(bytes, ahead, pattern, one_record ? 1 : ReadAhead::kSamples)) {
        if (notes != nullptr)
            notes->complete = true;
        return ahead.take(pattern, record, bytes);
    }
    return read_by_rules<set>(bytes, pattern, record, notes);
}

// The read of one instruction set, for its implementation: a copy for each
// pattern, with its elements known, and one for reads with notes.
template <InstructionSet set>
[[gnu::always_inline]] inline int read_record(BlockBuffer& bytes, ReadAhead& ahead, LogPattern pattern, AppData& record,
                                              ReadNotes* notes)
{
    if (notes != nullptr) [[unlikely]]
        return pattern == LogPattern::Full ? read<set>(bytes, ahead, LogPattern::Full, record, notes)
                                           : read<set>(bytes, ahead, LogPattern::Short, record, notes);
    return pattern == LogPattern::Full ? read<set>(bytes, ahead, LogPattern::Full, record, nullptr)
                                       : read<set>(bytes, ahead, LogPattern::Short, record, nullptr);
}

}  // namespace logformat
