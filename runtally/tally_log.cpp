#include "runtally/tally_log.hpp"

#include "logformat/read_sample.hpp"

#include <array>

void tally_log(LogStream& log, AppData& record, MetricData& metrics)
{
    // Samples come a batch at a time; a batch not filled ends the log.
    std::array<AppData, 64> samples;
    for (;;) {
        const std::size_t count = read_samples(log, LogPattern::Full, record, samples);
        for (std::size_t i = 0; i < count; ++i) {
            AppData& sample = samples[i];
            if (sample.B == 0)
                sample.MCPU = 0;  // a missed deadline adds no processor use
            metrics.add_sample(sample);
        }
        if (count < samples.size())
            return;
    }
}
