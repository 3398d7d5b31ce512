// runtally2 LOG: the mean benefit per sample of one log in the four-value
// form, and its summed changes of benefit over the number of samples.

#include "logformat/diagnostics.hpp"
#include "logformat/read_sample.hpp"
#include "runtally2/metric_data.hpp"

#include <array>
#include <cstddef>
#include <cstdio>

int main(int argc, char* argv[])
{
    MetricData metrics;
    if (argc != 2) {
        std::fputs("usage: runtally file\n", stdout);
        return -1;
    }
    AppData record;
    LogStream log(argv[1]);
    // Samples come a batch at a time; a batch not filled ends the log.
    std::array<AppData, 64> samples;
    for (std::size_t count = samples.size(); count == samples.size();) {
        count = read_samples(log, LogPattern::Short, record, samples);
        for (std::size_t i = 0; i < count; ++i)
            metrics.add_sample(samples[i].B);
    }
    const bool log_failed = close_log("runtally2", argv[1], log);

    std::printf("B:%2.2f, I:%2.5f\n", metrics.get_benefit(), metrics.get_instability());
    if (output_failed("runtally2"))
        return 1;
    return log_failed ? 1 : 0;
}
