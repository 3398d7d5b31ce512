#pragma once

// One log read as runtally reads it (the Full pattern) or as runtally2 does
// (the Short one), with the same reader, accumulator and acceptance rule,
// and written as rows of the table: one for the whole log, or one for each
// window of sample time or of samples.

#include "common/log_list.hpp"
#include "logformat/app_data.hpp"
#include "runtally-table/log_rows.hpp"
#include "runtally-table/table_writer.hpp"

// Reads the log named and writes its rows. `record` is the run's one record:
// a sample without a period keeps the last one read, from this log or an
// earlier one. A log that cannot be read is also told of on standard error.
// True when the log passes: whole, or cut or empty as the options allow.
bool table_log(const LogName& name, const TableOptions& options, logformat::AppData& record, TableWriter& writer);
