#pragma once

#include "logformat/app_data.hpp"
#include "logformat/log_stream.hpp"

// Matches one record of `pattern` at the stream's position and stores the
// fields it converts into `record`, in pattern order, stopping at the first
// mismatch. Returns the number of fields stored (0 to 5), or -1 when the
// input ended before the first field was stored. A read that runs into a read
// fault before its last field is complete stores nothing and returns -1.
int read_sample(LogStream& stream, LogPattern pattern, AppData& record);

// The acceptance rule: a read that stored four fields or more is a sample,
// whichever the pattern; anything less ends the log for good.
constexpr int kSampleFields = 4;

constexpr bool is_sample(int read_result)
{
    return read_result >= kSampleFields;
}
