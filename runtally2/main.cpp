// runtally2 LOG: the mean benefit per sample of one log in the four-value
// form, and its summed changes of benefit over the number of samples.

#include "logformat/read_sample.hpp"
#include "runtally2/metric_data.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>

int main(int argc, char* argv[])
{
    MetricData metrics;
    if (argc != 2) {
        std::fputs("usage: runtally file\n", stdout);
        return -1;
    }
    const char* path = argv[1];
    AppData record;
    LogStream log(path);
    while (is_sample(read_sample(log, LogPattern::Short, record)))
        metrics.add_sample(record.B);
    log.close();
    const bool log_failed = log.error() != 0;
    if (log_failed)
        std::fprintf(stderr, "runtally2: %s: %s\n", path, std::strerror(log.error()));

    std::printf("B:%2.2f, I:%2.5f\n", metrics.get_benefit(), metrics.get_instability());
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        std::fprintf(stderr, "runtally2: write error: %s\n", std::strerror(errno));
        return 1;
    }
    return log_failed ? 1 : 0;
}
