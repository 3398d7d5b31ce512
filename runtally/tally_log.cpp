#include "runtally/tally_log.hpp"

#include "logformat/read_sample.hpp"

void tally_log(LogStream& log, AppData& record, MetricData& metrics)
{
    while (is_sample(read_sample(log, LogPattern::Full, record))) {
        if (record.B == 0)
            record.MCPU = 0;  // a missed deadline adds no processor use
        metrics.add_sample(record);
    }
}
