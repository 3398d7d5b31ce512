#pragma once

// The reader's one operation: read_sample matches one record of a pattern
// at the stream's position, and the acceptance rule says whether it is a
// sample. The format's rules are those of the C library's scanf with the
// pattern (pattern.hpp); the reader keeps them to the byte.

#include "logformat/app_data.hpp"
#include "logformat/log_stream.hpp"
#include "logformat/read_notes.hpp"

namespace logformat {

// Matches one record of `pattern` at the stream's position and stores the
// fields it converts into `record`, in pattern order, stopping at the first
// mismatch, which is left unread. Returns the number of fields stored (0 to
// 5), or -1 when the input ended before the first field was stored. A read
// that runs into a read fault before its last field is complete stores
// nothing and returns -1.
// Inline, so that taking a sample read ahead joins the caller's loop.
inline int read_sample(LogStream& stream, const LogPattern pattern, AppData& record)
{
    if (stream.ahead_.holds(pattern, stream.bytes_)) [[likely]]
        return stream.ahead_.take(pattern, record, stream.bytes_);
    return stream.read_(stream.bytes_, stream.ahead_, pattern, record, nullptr);
}

// The programs' read, at their speed, telling `notes` whether the record
// matched whole and, where the window did not read it, where the match
// broke off; for runtally-table. Only a read by the character rules notes
// the values that decisions changed.
inline int read_sample_noting_breaks(LogStream& stream, const LogPattern pattern, AppData& record, ReadNotes& notes)
{
    if (stream.ahead_.holds(pattern, stream.bytes_)) [[likely]] {
        notes.complete = true;
        notes.value_count = 0;  // the window reads no value a decision changes
        return stream.ahead_.take(pattern, record, stream.bytes_);
    }
    notes.clear();
    notes.read_ahead = true;
    return stream.read_(stream.bytes_, stream.ahead_, pattern, record, &notes);
}

// The same read, telling `notes` where the match broke off and which values
// the reader's decisions changed; for runtally-check.
int read_sample(LogStream& stream, LogPattern pattern, AppData& record, ReadNotes& notes);

// The acceptance rule: a read that stored four fields or more is a sample,
// whichever the pattern; anything less ends the log for good.
constexpr int kSampleFields = 4;

constexpr bool is_sample(int read_result)
{
    return read_result >= kSampleFields;
}

}  // namespace logformat
