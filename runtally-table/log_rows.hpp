#pragma once

// The rows of one log: the columns for the options, and a row from the
// figures of a log or of one of its windows and what the reading did.

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

// What a row says of the reading: true, with no stop and no error, for
// every window but a log's last one.
struct Verdict {
    bool complete = true;
    std::string stop;  // "LINE:COLUMN" where the reading stopped
    std::string error;
};

// The rows of one log.
struct LogRows {
    const TableOptions& options;
    TableWriter& writer;
    const std::string log = {};  // the name, escaped

    // A row of the log's figures, or of a window's from `from` to `to`.
    void write(double from, double to, const Figures& figures, const Verdict& verdict) const;
};
