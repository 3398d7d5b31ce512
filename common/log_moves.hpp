#pragma once

// Moves of a log's position between reads, by the reader's cursor: where
// the verdict on a log (outcome.hpp) looks past the last sample for the end
// of the log, and counts the rest of a log whose reading stopped.

#include "logformat/log_stream.hpp"

#include <cstddef>
#include <cstring>

// Passes the white space at the stream's position; true when the log ends
// there (or a read fault stops it).
inline bool skip_space_to_end(logformat::LogStream& log)
{
    logformat::Cursor c{&log.bytes()};
    c.skip_space();
    c.release();
    return c.p == c.end;
}

// Passes the rest of the line at the stream's position and its line end, up
// to a NUL byte, where it stops: true when it stopped at one.
inline bool skip_line(logformat::LogStream& log)
{
    logformat::Cursor c{&log.bytes()};
    bool nul = false;
    for (;;) {
        const auto size = static_cast<std::size_t>(c.end - c.p);
        const auto* line_end = static_cast<const char*>(std::memchr(c.p, '\n', size));
        const char* passed = line_end != nullptr ? line_end + 1 : c.end;
        if (const auto* zero = static_cast<const char*>(std::memchr(c.p, '\0', static_cast<std::size_t>(passed - c.p)));
            zero != nullptr) {
            c.p = zero;
            nul = true;
            break;
        }
        c.p = passed;
        if (line_end != nullptr || !c.refill())
            break;
    }
    c.release();
    return nul;
}
