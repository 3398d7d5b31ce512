#include "runtally/metric_data.hpp"

void MetricData::clear()
{
    prev_b = 0;
    cur_b = 0;
    first_of_log = true;
    start_window();
}

void MetricData::start_window()
{
    benefit = 0;
    instability = 0;
    num_samples = 0;
    cpu_time = 0;
    total_time = 0;
    missed_deadlines = 0;
}
