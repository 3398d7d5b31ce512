#pragma once

// runtally-table --merge: tables that runtally-table wrote (table_reader.hpp),
// each over a share of a run's logs, put together as one table, or as the
// summary of all their logs. The rows are written again as they were read,
// in the order of the tables and of their rows, so the figures and the
// summary's sums are those of one run over the same logs in that order; the
// one difference is that each table's run began with no period carried in.

#include "common/log_list.hpp"
#include "runtally-table/log_rows.hpp"

// Reads the tables named, `first` first, and writes one table, or the
// summary, in the options' format. Returns the exit status: 0 when every
// log passes (whole, or cut or empty as allowed), 1 when one does not or a
// table cannot be read, which is told on standard error as
// "runtally-table: TABLE:LINE: REASON" and ends the merge (with no summary).
int merge_tables(LogList& tables, LogName first, const TableOptions& options);
