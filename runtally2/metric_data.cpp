#include "runtally2/metric_data.hpp"

#include "logformat/sum.hpp"

#include <cmath>

void MetricData::add_sample(double b)
{
    prev_b = cur_b;
    cur_b = b;
    if (num_samples == 0)
        prev_b = cur_b;  // the first sample shows no change
    const double change = std::fabs(cur_b - prev_b);
    add_to(benefit, cur_b);
    add_to(instability, change);
    num_samples += 1.0;
}
