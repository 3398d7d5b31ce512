#pragma once

// One log read as runtally reads it (the Full pattern) or as runtally2 does
// (the Short one), with the same reader and acceptance rule, and what that
// reading did, told as diagnostics in the form editors and CI annotators
// read, "PATH:LINE:COLUMN: SEVERITY: MESSAGE":
//  - where the reading stops before the end of the log, what the reader
//    expected there and what it found, and how much of the log is left;
//  - samples that take their period from an earlier line (Full pattern);
//  - values that the reader's decisions changed;
// the first ten of each kind, then a count; then one summary line.

#include "logformat/app_data.hpp"

#include <cstdint>
#include <cstdio>
#include <string>

// The line that gave the run's period last; a sample without one takes it.
struct PeriodSource {
    std::string path;        // the log's, as printable_name writes it
    std::uint64_t line = 0;  // 0 while no line of the run has given one
    bool this_log = false;   // the line is in the log being read
};

// Reads the log at `path` into the run's `record`, which carries the period
// from log to log as in runtally, and tells on `out` what the reading did.
// A log that cannot be read is also told of on standard error. True when
// the log was read to its end: nothing but white space after its last
// sample.
bool check_log(const char* path, logformat::LogPattern pattern, logformat::AppData& record, PeriodSource& period,
               std::FILE* out);
