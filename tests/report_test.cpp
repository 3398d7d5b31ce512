// runtally's report: the printed lines for the cases the report must show.

#include "runtally/metric_data.hpp"
#include "runtally/report.hpp"
#include "tests/runtally_samples.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace runtally_samples;

namespace {

// What the report prints for a run over `apps`, one sample list per log.
std::string report(const std::vector<std::vector<Sample>>& apps)
{
    char* text = nullptr;
    std::size_t size = 0;
    std::FILE* out = open_memstream(&text, &size);
    Totals totals;
    print_banner(out, static_cast<int>(apps.size()));
    for (const auto& samples : apps) {
        const MetricData m = accumulate(samples);
        print_application(out, m);
        totals.add(m);
    }
    print_summary(out, totals, static_cast<int>(apps.size()));
    std::fclose(out);
    std::string result(text, size);
    std::free(text);
    return result;
}

std::vector<Sample> with_missed(int missed, int kept)
{
    std::vector<Sample> samples(static_cast<std::size_t>(missed), Sample{0, 0, 1000000});
    samples.insert(samples.end(), static_cast<std::size_t>(kept), Sample{1, 0.5, 1000000});
    return samples;
}

struct ReportCase {
    const char* name;
    std::vector<std::vector<Sample>> apps;
    std::string want;
};

const std::vector<ReportCase> kReportCases = {
    {"one log: every average equals its total",
     {{{1, 0.5, 1000000}, {3, 0.5, 1000000}, {0, 0, 1000000}, {2, 0.5, 1000000}}},
     "1 applications\n"
     "B:6.00, I:7.00000, U:0.37500, M:1/4 (25.0000%)\n"
     "\n"
     "Total Benefit:     6.0000\n"
     "Total Instability: 7.0000\n"
     "Total Utilization: 0.3750\n"
     "Missed Deadlines:  1/4\n"
     "Avg. Benefit:      6.0000\n"
     "Avg. Instability:  7.0000\n"
     "Avg. Missed Dls:   1\n"
     "Missed DL Freq:    25.0000%\n"},
    {"two logs with 3 and 4 missed deadlines",
     {with_missed(3, 1), with_missed(4, 4)},
     "2 applications\n"
     "B:1.00, I:1.00000, U:0.12500, M:3/4 (75.0000%)\n"
     "B:4.00, I:1.00000, U:0.25000, M:4/8 (50.0000%)\n"
     "\n"
     "Total Benefit:     5.0000\n"
     "Total Instability: 2.0000\n"
     "Total Utilization: 0.3750\n"
     "Missed Deadlines:  7/12\n"
     "Avg. Benefit:      2.5000\n"
     "Avg. Instability:  1.0000\n"
     "Avg. Missed Dls:   3\n"
     "Missed DL Freq:    62.5000%\n"},
    {"logs with no sample",
     {{}, {}, {{-1.5, 2, 500000}}},
     "3 applications\n"
     "B:0.00, I:0.00000, U:0.00000, M:0/0 (0.0000%)\n"
     "B:0.00, I:0.00000, U:0.00000, M:0/0 (0.0000%)\n"
     "B:-0.75, I:0.00000, U:2.00000, M:0/1 (0.0000%)\n"
     "\n"
     "Total Benefit:     -0.7500\n"
     "Total Instability: 0.0000\n"
     "Total Utilization: 2.0000\n"
     "Missed Deadlines:  0/1\n"
     "Avg. Benefit:      -0.2500\n"
     "Avg. Instability:  0.0000\n"
     "Avg. Missed Dls:   0\n"
     "Missed DL Freq:    0.0000%\n"},
    {"NaN figures carry the sign of the last NaN added",
     {{{-kNaN, 1, 1000000}, {kNaN, 1, 1000000}}, {{kNaN, 1, 1000000}, {-kNaN, 1, 1000000}}},
     "2 applications\n"
     "B:nan, I:nan, U:1.00000, M:0/2 (0.0000%)\n"
     "B:-nan, I:nan, U:1.00000, M:0/2 (0.0000%)\n"
     "\n"
     "Total Benefit:     -nan\n"
     "Total Instability: nan\n"
     "Total Utilization: 2.0000\n"
     "Missed Deadlines:  0/4\n"
     "Avg. Benefit:      -nan\n"
     "Avg. Instability:  nan\n"
     "Avg. Missed Dls:   0\n"
     "Missed DL Freq:    0.0000%\n"},
    {"a NaN utilization carries the sign of the last NaN MCPU added",
     {{{1, kNaN, 1000000}, {1, -kNaN, 1000000}}},
     "1 applications\n"
     "B:2.00, I:0.00000, U:-nan, M:0/2 (0.0000%)\n"
     "\n"
     "Total Benefit:     2.0000\n"
     "Total Instability: 0.0000\n"
     "Total Utilization: -nan\n"
     "Missed Deadlines:  0/2\n"
     "Avg. Benefit:      2.0000\n"
     "Avg. Instability:  0.0000\n"
     "Avg. Missed Dls:   0\n"
     "Missed DL Freq:    0.0000%\n"},
};

TEST(Report, Lines)
{
    for (const ReportCase& c : kReportCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(report(c.apps), c.want);
    }
}

}  // namespace
