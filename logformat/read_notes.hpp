#pragma once

// What one read tells beyond its count, for runtally-check and
// runtally-table: where its match broke off and what it expected there, and
// the values that the reader's decisions changed. runtally and runtally2
// never ask for it. The window reads no such value, so a read it takes tells
// only that the record matched whole.
//
// Positions come from the stream's line count (LogStream::count_lines); a
// stream that does not count them gives line and column 0.

#include "logformat/bytes/block_buffer.hpp"
#include "logformat/pattern.hpp"

#include <array>
#include <cstddef>
#include <string>

namespace logformat {

// The parts of an element, in the order a match meets them.
enum class Part {
    Comma,   // "," before every element but the first
    Tag,     // "CPU:"
    Number,  // the number for the element's field
};

// Where a match broke off.
struct MatchBreak {
    std::size_t element = 0;  // in elements_of(pattern)
    Part part = Part::Tag;
    // The part's bytes read before the mismatch: a tag's first letters, a
    // sign, a lone point, the letters of a word that inf or nan began.
    std::string consumed;
    bool out_of_range = false;  // an integer outside 32 bits: digits read, nothing stored
    TextPosition at;            // the part's first byte: the first consumed, or the mismatch
};

// A value that one of the reader's decisions changed.
enum class Change {
    BeyondFloat,            // a floating number beyond single precision, read as infinity
    ExponentWithoutDigits,  // "2e", "2e+": the value is the number before the mark
    Hexadecimal,            // "0x1p3" reads as 0, and the x ends the number
    InfinityOrNan,          // inf, infinity or nan, in any case
    ReadsAsZero,            // a floating number written non-zero, below the smallest subnormal: read as 0
};

struct ValueNote {
    Change change = Change::BeyondFloat;
    std::size_t element = 0;
    float value = 0;
    TextPosition at;  // the number's first byte
};

struct ReadNotes {
    bool complete = false;  // the whole pattern matched; otherwise `stop` tells where it broke off
    MatchBreak stop;
    std::array<ValueNote, kMostElements> values{};  // one at most for each number
    std::size_t value_count = 0;
    // Read ahead as the programs do, the notes told only where the character
    // rules read (runtally-table); otherwise one record at a time
    // (runtally-check, with its per-read bookkeeping, measured slower
    // reading ahead). Each read that takes notes sets it for itself.
    bool read_ahead = false;

    // Ready for the next read; cheaper than a fresh one, as reads are many.
    void clear()
    {
        complete = false;
        stop.consumed.clear();
        stop.out_of_range = false;
        value_count = 0;
    }

    void add(const ValueNote& note)
    {
        if (value_count < values.size())
            values[value_count++] = note;
    }
};

// Where the reading of a log stopped, from the notes of its last sample's
// read and of the read after it, which gave no sample: where that read
// consumed nothing, its match broke off where the last sample's did, if
// that one broke off; otherwise where its own did.
inline const MatchBreak& reading_stop(const ReadNotes& last_sample, const ReadNotes& after, bool after_consumed,
                                      bool any_sample)
{
    return !after_consumed && any_sample && !last_sample.complete ? last_sample.stop : after.stop;
}

}  // namespace logformat
