#pragma once

// One log read as runtally reads it (the Full pattern) or as runtally2 does
// (the Short one), with the same reader and acceptance rule, and what that
// reading did, told as diagnostics in the form editors and CI annotators
// read (report.hpp):
//  - the log's outcome (common/outcome.hpp): whole, empty, cut (and the
//    likely cause), stopped or unreadable;
//  - where the reading stops before the end of the log, what the reader
//    expected there and what it found, where the record that broke off
//    began, and how much of the log is left; a compressed file or one that
//    does not look like text;
//  - samples that take their period from an earlier line (Full pattern);
//  - samples whose period is zero or negative;
//  - values that the reader's decisions changed;
// the first ten of each kind, then a count; then one summary line.

#include "common/log_list.hpp"
#include "logformat/app_data.hpp"
#include "runtally-check/report.hpp"

#include <cstdio>

struct CheckOptions {
    logformat::LogPattern pattern = logformat::LogPattern::Full;
    // A log whose last record the end of the file cuts off, with nothing
    // after it (a run killed while writing), passes, with a warning.
    bool allow_cut_end = false;
    // An empty log (no sample, nothing but white space) passes, with a warning.
    bool allow_empty = false;
};

// Reads the log `name` into the run's `record`, which carries the period
// from log to log as in runtally, and tells on `out` what the reading did.
// A log that cannot be read is also told of on standard error. True when
// the log passes: its outcome (common/outcome.hpp) is whole, or cut or
// empty as the options allow.
bool check_log(const LogName& name, const CheckOptions& options, logformat::AppData& record, PeriodSource& period,
               std::FILE* out);
