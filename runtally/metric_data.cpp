#include "runtally/metric_data.hpp"

#include "logformat/sum.hpp"

#include <cmath>

void MetricData::clear()
{
    prev_b = 0;
    cur_b = 0;
    benefit = 0;
    instability = 0;
    num_samples = 0;
    cpu_time = 0;
    total_time = 0;
    missed_deadlines = 0;
}

void MetricData::add_sample(const AppData& a)
{
    prev_b = cur_b;
    cur_b = a.B;
    if (num_samples == 0)
        prev_b = cur_b;  // the first sample shows no change
    const double change = std::fabs(cur_b - prev_b);
    const double s = static_cast<double>(a.P) / 1000000;
    add_to(total_time, s);
    add_to(benefit, cur_b * s);
    add_to(instability, change);
    add_to(cpu_time, static_cast<double>(a.MCPU) * s);
    if (a.B == 0)
        ++missed_deadlines;
    num_samples += 1.0;
}
