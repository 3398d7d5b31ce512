#pragma once

// The window's fill of the read-ahead: records in their plain form, each
// whole inside the buffer with the white space that closes it, read by the
// window (window/window.hpp) one after another. The batch's fill has the window
// read one record where a batch declines (batch/fill.hpp).

#include "logformat/app_data.hpp"
#include "logformat/bytes/cursor.hpp"
#include "logformat/instruction_set.hpp"
#include "logformat/routes/read_ahead.hpp"
#include "logformat/window/window.hpp"

namespace logformat {

// Reads the record at `at` by the window into the read-ahead; returns where
// the next starts, or null where the window declines.
template <InstructionSet set, LogPattern pattern>
[[gnu::always_inline]] inline const char* window_read_one(const char* at, const char* end, ReadAhead& ahead)
{
    if (end - at < kWindowBytes)
        return nullptr;
    // Into a local record, which stays in registers: the buffer's bytes
    // are chars, which the stores to a sample in memory could alias.
    AppData fields;
    const int length = read_window<set, pattern>(at, fields);
    if (length == 0)
        return nullptr;
    // Where the closing white space runs to the end of the data, the
    // next block may hold more of it: the character rules read on.
    const char* next = past_space(at + length);
    if (next == end)
        return nullptr;
    ahead.add(fields, next);
    return next;
}

// Records from p by the window into the read-ahead, while it holds fewer
// than `most`, up to the first the window declines.
template <InstructionSet set, LogPattern pattern>
[[gnu::always_inline]] inline void window_fill(const char* p, const char* end, ReadAhead& ahead, int most)
{
    while (ahead.count() < most) {
        const char* const next = window_read_one<set, pattern>(p, end, ahead);
        if (next == nullptr)
            break;
        p = next;
    }
}

}  // namespace logformat
