// runtally's accumulator: figures for sample sequences, and one log read
// into them by tally_log.

#include "runtally/metric_data.hpp"
#include "runtally/tally_log.hpp"
#include "tests/runtally_samples.hpp"
#include "tests/support/text_stream.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace logformat;
using namespace runtally_samples;

namespace {

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
    {"a zero period weighs nothing but its change counts",
     {{1, 0.25, 1000000}, {5, 1, 0}},
     {1, 4, 0.25, 0, 2, 0, 1, 4}},
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

}  // namespace
