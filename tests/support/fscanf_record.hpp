#pragma once

// One record read by the C library's fscanf with the pattern: the reference
// that the reader is held against, and the baseline that it is timed against.

#include "logformat/app_data.hpp"
#include "logformat/pattern.hpp"
#include "tests/support/scanf_format.hpp"

#include <cstdio>
#include <string>

inline int fscanf_record(std::FILE* file, logformat::LogPattern pattern, logformat::AppData& r)
{
    using logformat::LogPattern;
    static const std::string formats[] = {scanf_format(LogPattern::Full), scanf_format(LogPattern::Short)};
    static_assert(logformat::kMostElements == 5, "one pointer for each field, in the order of the pattern");
    const std::string& format = formats[pattern == LogPattern::Full ? 0 : 1];
    return std::fscanf(file, format.c_str(), &r.L, &r.CPU, &r.B, &r.MCPU, &r.P);
}
