#pragma once

// The rows of one log: the columns for the options, and a row from the
// figures of a log or of one of its windows and what the reading did.

#include "common/outcome.hpp"
#include "logformat/app_data.hpp"
#include "runtally-table/table_writer.hpp"
#include "runtally/metric_data.hpp"
#include "runtally2/metric_data.hpp"

#include <span>
#include <string>
#include <string_view>

enum class Windows { None, OfSeconds, OfSamples };

struct TableOptions {
    logformat::LogPattern pattern = logformat::LogPattern::Full;
    Windows windows = Windows::None;
    double seconds = 0;     // the size of a window of sample time
    long long samples = 0;  // the size of a window of samples
    Allowed allowed;        // the outcomes besides whole that leave the status at 0
    Format format = Format::Tsv;
    bool summary = false;  // one row for the run (summary.hpp), none for each log
};

// The table's columns, in order, for these options.
std::span<const std::string_view> columns_of(const TableOptions& options);

// The figures of a log or of one of its windows, by runtally's accumulator
// (Full pattern) or runtally2's (Short).
struct Figures {
    MetricData full;
    runtally2::MetricData brief;

    void start_window()
    {
        full.start_window();
        brief.start_window();
    }
};

// The rows of one log.
struct LogRows {
    const TableOptions& options;
    TableWriter& writer;
    const std::string log = {};  // the name, as given: the writer writes it as its format does

    // A row of the log's figures, or of a window's from `from` to `to`, and
    // what it says of the reading: the verdict on the log (common/outcome.hpp)
    // and why it could not be read, if it could not; on every window but a
    // log's last, null and empty: not known when the row is written.
    void write(double from, double to, const Figures& figures, const Verdict* verdict, std::string_view error) const;
};
