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

#include "common/log_jobs.hpp"
#include "common/log_list.hpp"
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

// Reads the log `name`, its samples without a period taking the one the
// run carries into it (as in runtally, from log to log), and tells on the
// job's output what the reading did. A log that cannot be read is also told
// of on the job's standard error. True when the log passes: its outcome
// (common/outcome.hpp) is whole, or cut or empty as the options allow.
bool check_log(const LogName& name, const CheckOptions& options, LogJob& job);
