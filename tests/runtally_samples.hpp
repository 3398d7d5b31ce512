#pragma once

// Samples given by their B, MCPU and P, and runtally's accumulator over a
// list of them: for the accumulator's and the report's tests.

#include "logformat/app_data.hpp"
#include "runtally/metric_data.hpp"

#include <cstdint>
#include <limits>
#include <vector>

namespace runtally_samples {

inline const float kNaN = std::numeric_limits<float>::quiet_NaN();

struct Sample {
    float B;
    float MCPU;
    std::int32_t P;
};

inline MetricData accumulate(const std::vector<Sample>& samples)
{
    MetricData m;
    for (const Sample& s : samples)
        m.add_sample(logformat::AppData{0, 0, s.B, s.MCPU, s.P});
    return m;
}

}  // namespace runtally_samples
