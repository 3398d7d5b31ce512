#pragma once

// Moves of a log's position between reads, by the reader's cursor: where
// runtally-check looks for the rest of a log after its reading stopped, and
// where runtally-table looks past the last sample for the end of a log.

#include "logformat/cursor.hpp"
#include "logformat/log_stream.hpp"

// Passes the white space at the stream's position; true when the log ends
// there (or a read fault stops it).
inline bool skip_space_to_end(logformat::LogStream& log)
{
    logformat::Cursor c{&log.bytes()};
    c.skip_space();
    c.release();
    return c.p == c.end;
}

// Passes the rest of the line at the stream's position and its line end.
inline void skip_line(logformat::LogStream& log)
{
    logformat::Cursor c{&log.bytes()};
    c.skip_line();
    c.release();
}
