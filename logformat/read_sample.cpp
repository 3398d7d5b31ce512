#include "logformat/read_sample.hpp"

#include "logformat/cursor.hpp"
#include "logformat/instruction_set.hpp"
#include "logformat/number_rules.hpp"
#include "logformat/pattern.hpp"
#include "logformat/window.hpp"

#include <cstddef>
#include <string_view>

namespace {

void note_break(ReadNotes* notes, std::size_t element, Part part, std::string_view consumed, const Cursor& c)
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
[[gnu::always_inline]] inline bool number(Cursor& c, std::size_t i, AppData& fields, ReadNotes* notes)
{
    const Element& e = kElements[i];
    const bool stored = e.is_integer() ? read_integer(c, fields.*e.integer, notes)
                                       : read_real(c, fields.*e.real, notes, i);
    if (!stored && notes != nullptr) {
        // The number told where it began and what it read; the rest is said here.
        notes->stop.element = i;
        notes->stop.part = Part::Number;
    }
    return stored;
}

// A record's elements by the character rules, one after another, up to its
// closing white space. Returns the number of fields stored.
[[gnu::always_inline]] inline std::size_t read_elements(Cursor& c, LogPattern pattern, AppData& fields, ReadNotes* notes)
{
    const std::size_t elements = elements_of(pattern).size();
    std::size_t stored = 0;
#pragma GCC unroll 8
    for (; stored < elements; ++stored)
        if (!lead(c, stored, notes) || !number(c, stored, fields, notes))
            break;
    if (notes != nullptr)
        notes->complete = stored == elements;
    return stored;
}

// Records in their plain form, each whole inside the buffer with the white
// space that closes it, read from the window one after another into the
// stream's read-ahead, `most` of them at most: true when the first one was.
[[gnu::always_inline]] inline bool read_ahead_in_window(LogStream& stream, LogPattern pattern, InstructionSet set,
                                                        int most)
{
    ReadAhead& ahead = stream.ahead();
    const char* p = stream.data();
    const char* const end = stream.data_end();
    int count = 0;
    while (count < most && end - p >= kWindowBytes) {
        // Into a local record, which stays in registers: the buffer's bytes
        // are chars, which the stores to a sample in memory could alias.
        AppData fields;
        const int length = read_window(p, pattern, fields, set);
        if (length == 0)
            break;
        // Where the closing white space runs to the end of the data, the
        // next block may hold more of it: the character rules read on.
        const char* next = past_space(p + length);
        if (next == end)
            break;
        const auto slot = static_cast<std::size_t>(count);
        ahead.samples[slot] = fields;
        ahead.next[slot] = next;
        p = next;
        ++count;
    }
    ahead.count = count;
    ahead.taken = 0;
    ahead.pattern = pattern;
    return count > 0;
}

// A record by the character rules, into a copy of the record that is kept
// unless a read fault cut the record short; then a whole record's closing
// white space, where a fault loses nothing. Returns the fields stored, or -1
// when the input ended before the first of them. Out of line, so that the
// window's path stays short.
[[gnu::noinline]] int read_by_rules(LogStream& stream, LogPattern pattern, AppData& record, ReadNotes* notes)
{
    AppData fields = record;
    Cursor c{&stream};
    const std::size_t stored = pattern == LogPattern::Full ? read_elements(c, LogPattern::Full, fields, notes)
                                                           : read_elements(c, LogPattern::Short, fields, notes);
    if (stream.error() != 0)
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
[[gnu::always_inline]] inline int read(LogStream& stream, LogPattern pattern, AppData& record, ReadNotes* notes,
                                       InstructionSet set)
{
    // A read with notes takes one record at a time: runtally-check, with its
    // per-read bookkeeping, measured slower reading ahead.
    if (read_ahead_in_window(stream, pattern, set, notes == nullptr ? ReadAhead::kSamples : 1)) {
        if (notes != nullptr)
            notes->complete = true;
        return stream.take_ahead(pattern, record);
    }
    return read_by_rules(stream, pattern, record, notes);
}

// Each pattern gets its own copy of the read, with its elements known, and
// each instruction set its own copy of both, compiled for its instructions.
[[gnu::always_inline]] inline int read_with(LogStream& stream, LogPattern pattern, AppData& record, InstructionSet set)
{
    return pattern == LogPattern::Full ? read(stream, LogPattern::Full, record, nullptr, set)
                                       : read(stream, LogPattern::Short, record, nullptr, set);
}

int read_scalar(LogStream& stream, LogPattern pattern, AppData& record)
{
    return read_with(stream, pattern, record, InstructionSet::Scalar);
}

#if defined(__x86_64__) && !defined(LOGFORMAT_SCALAR)
int read_sse2(LogStream& stream, LogPattern pattern, AppData& record)
{
    return read_with(stream, pattern, record, InstructionSet::Sse2);
}

[[gnu::target("avx2,bmi,bmi2")]] int read_avx2(LogStream& stream, LogPattern pattern, AppData& record)
{
    return read_with(stream, pattern, record, InstructionSet::Avx2);
}
#endif

}  // namespace

// The read of the instruction set the reader uses now.
int read_and_read_ahead(LogStream& stream, const LogPattern pattern, AppData& record)
{
    switch (reader_instruction_set()) {
#if defined(__x86_64__) && !defined(LOGFORMAT_SCALAR)
    case InstructionSet::Avx2: return read_avx2(stream, pattern, record);
    case InstructionSet::Sse2: return read_sse2(stream, pattern, record);
#endif
    default: return read_scalar(stream, pattern, record);
    }
}

// A read with notes is for runtally-check, which needs no speed: the
// build's own instructions serve it.
int read_sample(LogStream& stream, const LogPattern pattern, AppData& record, ReadNotes& notes)
{
#if defined(__x86_64__) && !defined(LOGFORMAT_SCALAR)
    constexpr InstructionSet kBuildSet = InstructionSet::Sse2;
#else
    constexpr InstructionSet kBuildSet = InstructionSet::Scalar;
#endif
    notes.clear();
    return pattern == LogPattern::Full ? read(stream, LogPattern::Full, record, &notes, kBuildSet)
                                       : read(stream, LogPattern::Short, record, &notes, kBuildSet);
}
