#include "runtally/tally_log.hpp"

#include "logformat/read_sample.hpp"

void tally_log(logformat::LogStream& log, logformat::AppData& record, MetricData& metrics)
{
    while (logformat::is_sample(logformat::read_sample(log, logformat::LogPattern::Full, record)))
        tally_sample(record, metrics);
}
