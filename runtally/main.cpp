// runtally LOG...: the benefit, instability, utilization and missed deadlines
// of each application's log, then the totals and averages over all of them.

#include "common/diagnostics.hpp"
#include "runtally/metric_data.hpp"
#include "runtally/report.hpp"
#include "runtally/tally_log.hpp"

#include <cstdio>

using namespace logformat;

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
    // Once standard output fails, no further log is read: nothing could tell of it.
    for (int i = 1; i < argc && std::ferror(stdout) == 0; ++i) {
        metrics.clear();
        LogStream log(argv[i]);
        tally_log(log, record, metrics);
        log_failed = close_log("runtally", argv[i], log) || log_failed;
        print_application(stdout, metrics);
        totals.add(metrics);
    }
    print_summary(stdout, totals, app_count);
    if (output_failed("runtally"))
        return 1;
    return log_failed ? 1 : 0;
}
