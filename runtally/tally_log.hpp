#pragma once

#include "logformat/app_data.hpp"
#include "logformat/log_stream.hpp"
#include "runtally/metric_data.hpp"

// Adds the sample in `record` to `metrics`. A sample whose B is zero is a
// missed deadline: its MCPU is set to zero in the record before it is added.
inline void tally_sample(logformat::AppData& record, MetricData& metrics)
{
    if (record.B == 0)
        record.MCPU = 0;  // a missed deadline adds no processor use
    metrics.add_sample(record);
}

// Reads one application's log to its end, as the acceptance rule ends it,
// and adds every sample to `metrics` by tally_sample.
// `record` is the run's one record: a sample without a period keeps the last
// one read, from this log or an earlier one.
void tally_log(logformat::LogStream& log, logformat::AppData& record, MetricData& metrics);
