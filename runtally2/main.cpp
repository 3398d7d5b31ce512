// runtally2 LOG: the mean benefit per sample of one log in the four-value
// form, and its summed changes of benefit over the number of samples.

#include "common/diagnostics.hpp"
#include "logformat/read_sample.hpp"
#include "runtally2/metric_data.hpp"

#include <cstdio>

using namespace logformat;

int main(int argc, char* argv[])
{
    runtally2::MetricData metrics;
    if (argc != 2) {
        std::fputs("usage: runtally file\n", stdout);
        return -1;
    }
    AppData record;
    LogStream log(argv[1]);
    while (is_sample(read_sample(log, LogPattern::Short, record)))
        metrics.add_sample(record.B);
    const bool log_failed = close_log("runtally2", argv[1], log);

    std::printf("B:%2.2f, I:%2.5f\n", metrics.get_benefit(), metrics.get_instability());
    if (output_failed("runtally2"))
        return 1;
    return log_failed ? 1 : 0;
}
