// runtally's accumulator and report: figures for sample sequences, and the
// printed lines for the cases the report must show.

#include "runtally/metric_data.hpp"
#include "runtally/report.hpp"
#include "runtally/tally_log.hpp"
#include "tests/support/text_stream.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

using namespace logformat;

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();

struct Sample {
    float B;
    float MCPU;
    std::int32_t P;
};

MetricData accumulate(const std::vector<Sample>& samples)
{
    MetricData m;
    for (const Sample& s : samples)
        m.add_sample(AppData{0, 0, s.B, s.MCPU, s.P});
    return m;
}

struct Figures {
    double benefit;
    double instability;
    double utilization;
    long long missed;
    long long samples;
    double frequency;
    double average_benefit;
    double average_instability;
};

struct AccumulatorCase {
    const char* name;
    std::vector<Sample> samples;
    Figures want;
};

const std::vector<AccumulatorCase> kAccumulatorCases = {
    {"one sample", {{2, 0.5, 1000000}}, {2, 0, 0.5, 0, 1, 0, 2, 0}},
    {"benefits 1, 3, 2", {{1, 1, 1000000}, {3, 1, 1000000}, {2, 1, 1000000}}, {6, 3, 1, 0, 3, 0, 2, 1}},
    {"a zero benefit: a missed deadline whose time still counts",
     {{2, 0.5, 1000000}, {0, 0.5, 1000000}, {2, 0.5, 1000000}},
     {4, 4, 0.5, 1, 3, 1.0 / 3, 4.0 / 3, 4.0 / 3}},
    {"a negative zero benefit is a missed deadline", {{-0.0F, 1, 2000000}}, {0, 0, 1, 1, 1, 1, 0, 0}},
    {"a zero period weighs nothing but its change counts", {{1, 0.25, 1000000}, {5, 1, 0}}, {1, 4, 0.25, 0, 2, 0, 1, 4}},
    {"a negative period enters with its sign", {{2, 0.5, -1000000}}, {-2, 0, 0.5, 0, 1, 0, 2, 0}},
    {"time-weighted utilization", {{1, 1, 3000000}, {1, 0, 1000000}}, {4, 0, 0.75, 0, 2, 0, 1, 0}},
    {"no sample: every quotient is 0", {}, {0, 0, 0, 0, 0, 0, 0, 0}},
    {"periods that sum to zero", {{1, 1, 1000000}, {1, 1, -1000000}}, {0, 0, 0, 0, 2, 0, 0, 0}},
};

TEST(MetricData, Figures)
{
    for (const AccumulatorCase& c : kAccumulatorCases) {
        SCOPED_TRACE(c.name);
        const MetricData m = accumulate(c.samples);
        EXPECT_DOUBLE_EQ(m.get_benefit(), c.want.benefit);
        EXPECT_DOUBLE_EQ(m.get_instability(), c.want.instability);
        EXPECT_DOUBLE_EQ(m.get_utilization(), c.want.utilization);
        EXPECT_EQ(m.get_missed_deadlines(), c.want.missed);
        EXPECT_EQ(m.get_num_samples(), c.want.samples);
        EXPECT_DOUBLE_EQ(m.get_missed_deadline_frequency(), c.want.frequency);
        EXPECT_DOUBLE_EQ(m.get_average_benefit(), c.want.average_benefit);
        EXPECT_DOUBLE_EQ(m.get_average_instability(), c.want.average_instability);
    }
}

TEST(MetricData, ClearForgetsThePreviousBenefit)
{
    MetricData m = accumulate({{9, 1, 1000000}, {1, 1, 1000000}});
    m.clear();
    m.add_sample(AppData{0, 0, 4, 1, 1000000});
    EXPECT_EQ(m.get_instability(), 0);
    EXPECT_EQ(m.get_benefit(), 4);
    EXPECT_EQ(m.get_num_samples(), 1);
}

// One log read into the figures, with the run's record as it came in.
struct LogCase {
    const char* name;
    std::int32_t period_before;  // the record's P when the log begins
    std::string log;
    double benefit;
    double utilization;
    long long missed;
    long long samples;
};

const std::vector<LogCase> kLogCases = {
    {"a missed deadline adds its time but not its MCPU", 0,
     "L:1, CPU:0, B:2, MCPU:0.5, P:1000000\nL:1, CPU:0, B:0, MCPU:0.9, P:1000000\n", 2, 0.25, 1, 2},
    {"a sample without a period takes the one the record holds", 2000000, "L:1, CPU:0, B:1.5, MCPU:1,\n", 3, 1, 0, 1},
    {"the log ends at the first line that is no sample", 0,
     "L:1, CPU:0, B:1, MCPU:1, P:1000000\n# restart\nL:1, CPU:0, B:5, MCPU:1, P:1000000\n", 1, 1, 0, 1},
};

TEST(TallyLog, Figures)
{
    for (const LogCase& c : kLogCases) {
        SCOPED_TRACE(c.name);
        LogStream log = text_stream(c.log);
        AppData record{0, 0, 0, 0, c.period_before};
        MetricData m;
        tally_log(log, record, m);
        EXPECT_DOUBLE_EQ(m.get_benefit(), c.benefit);
        EXPECT_DOUBLE_EQ(m.get_utilization(), c.utilization);
        EXPECT_EQ(m.get_missed_deadlines(), c.missed);
        EXPECT_EQ(m.get_num_samples(), c.samples);
    }
}

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
    {"two logs with 3 and 4 missed deadlines", {with_missed(3, 1), with_missed(4, 4)},
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
    {"logs with no sample", {{}, {}, {{-1.5, 2, 500000}}},
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
