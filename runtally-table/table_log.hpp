#pragma once

// One log read as runtally reads it (the Full pattern) or as runtally2 does
// (the Short one), with the same reader, accumulator and acceptance rule,
// and written as rows of the table: one for the whole log, or one for each
// window of sample time or of samples.

#include "common/log_jobs.hpp"
#include "common/log_list.hpp"
#include "runtally-table/log_rows.hpp"
#include "runtally-table/summary.hpp"

// Reads the log named and writes its rows on the job's output, or, for the
// run's summary, only what the summary takes from it, into `summary`. A
// sample without a period takes the last one the run read, from this log or
// an earlier one (the job's carry). A log that cannot be read is also told
// of on the job's standard error. True when the log passes: whole, or cut
// or empty as the options allow.
bool table_log(const LogName& name, const TableOptions& options, LogJob& job, LogSummary& summary);
