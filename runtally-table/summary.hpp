#pragma once

// The run's summary (--summary): one row of runtally's totals and averages
// over the logs, the very sums runtally adds (runtally/report.hpp), fed
// with the same per-log doubles in the same order, and the logs of each
// outcome. Printed with runtally's formats, its figures give runtally's
// summary lines byte for byte.

#include "common/outcome.hpp"
#include "runtally-table/table_writer.hpp"
#include "runtally/report.hpp"

#include <array>
#include <span>
#include <string_view>

// What the summary takes from one log, read (table_log) or read back from a
// table (--merge).
struct LogSummary {
    AppFigures figures;
    double seconds = 0;
    Outcome outcome = Outcome::Whole;
    long long uncounted = 0;
};

class RunSummary {
public:
    // Adds the logs in the run's order: the sums are runtally's, and the
    // same order gives the same doubles.
    void add(const LogSummary& log);

    // The summary's columns, in order.
    static std::span<const std::string_view> columns();
    // The one row. Over no log the averages are no figures: empty.
    void write(TableWriter& writer) const;

private:
    Totals totals_;
    double seconds_ = 0;
    long long logs_ = 0;
    std::array<long long, 5> outcomes_{};  // logs of each outcome, by Outcome
    long long uncounted_ = 0;
};
