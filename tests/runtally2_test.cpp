// runtally2's accumulator: per-sample means for sample sequences.

#include "runtally2/metric_data.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

struct Case {
    const char* name;
    std::vector<double> benefits;
    double mean_benefit;
    double mean_change;
};

const std::vector<Case> kCases = {
    {"benefits 1, 3, 2: changes 0, 2, 1 over three samples", {1, 3, 2}, 2, 1},
    {"one sample", {4.5}, 4.5, 0},
    {"no sample: both means are 0", {}, 0, 0},
    {"negative benefits", {-1, 1, -1, 1}, 0, 1.5},
    {"zero benefits count like any other", {0, 0, 3}, 1, 1},
};

TEST(Runtally2MetricData, Means)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        runtally2::MetricData m;
        for (const double b : c.benefits)
            m.add_sample(b);
        EXPECT_DOUBLE_EQ(m.get_benefit(), c.mean_benefit);
        EXPECT_DOUBLE_EQ(m.get_instability(), c.mean_change);
    }
}

// A sum that meets NaNs of both signs carries the sign of the last one added.
TEST(Runtally2MetricData, NanSumsCarryTheLastNansSign)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct NanCase {
        std::vector<double> benefits;
        bool negative;
    };
    const NanCase cases[] = {{{1, nan, -nan}, true}, {{-nan, 2, nan}, false}, {{nan, 1, -nan, 2}, true}};
    for (const NanCase& c : cases) {
        runtally2::MetricData m;
        for (const double b : c.benefits)
            m.add_sample(b);
        EXPECT_TRUE(std::isnan(m.get_benefit()));
        EXPECT_EQ(std::signbit(m.get_benefit()), c.negative);
    }
}

}  // namespace
