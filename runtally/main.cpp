// runtally LOG...: the benefit, instability, utilization and missed deadlines
// of each application's log, then the totals and averages over all of them.

#include "logformat/read_sample.hpp"
#include "runtally/metric_data.hpp"
#include "runtally/report.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

int write_failed()
{
    std::fprintf(stderr, "runtally: write error: %s\n", std::strerror(errno));
    return 1;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fputs("usage: runtally filelist\n", stdout);
        return -1;
    }
    const int app_count = argc - 1;
    print_banner(stdout, app_count);

    MetricData metrics;
    AppData record;  // one record for the whole run: a line without P keeps the last period read
    Totals totals;
    bool log_failed = false;
    for (int i = 1; i < argc; ++i) {
        const char* path = argv[i];
        metrics.clear();
        LogStream log(path);
        while (is_sample(read_sample(log, LogPattern::Full, record))) {
            if (record.B == 0)
                record.MCPU = 0;  // a missed deadline adds no processor use
            metrics.add_sample(record);
        }
        log.close();
        if (log.error() != 0) {
            std::fprintf(stderr, "runtally: %s: %s\n", path, std::strerror(log.error()));
            log_failed = true;
        }
        print_application(stdout, metrics);
        totals.add(metrics);
        if (std::ferror(stdout) != 0)
            return write_failed();
    }
    print_summary(stdout, totals, app_count);
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0)
        return write_failed();
    return log_failed ? 1 : 0;
}
