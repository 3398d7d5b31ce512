#pragma once

#include "common/sum.hpp"

#include <cmath>

// runtally2's figures for one log: means per sample, not weighted by period.
// One instance serves the one log of a run; it has no clear(). In a
// namespace of its own, as runtally-table links it beside runtally's.
namespace runtally2 {

class MetricData {
public:
    // Ready for a window of the log: the sums and the count start from zero,
    // and the next sample's change is still from the last sample added.
    void start_window()
    {
        benefit = 0;
        instability = 0;
        num_samples = 0;
    }

    // Inline, so that it joins the loop that reads the samples.
    void add_sample(double b)
    {
        prev_b = cur_b;
        cur_b = b;
        if (first_of_log) {
            prev_b = cur_b;  // the first sample shows no change
            first_of_log = false;
        }
        const double change = std::fabs(cur_b - prev_b);
        // Where the sum of the terms is not NaN, neither term is, and the
        // NaN rule of the sums changes nothing.
        if (!std::isnan(cur_b + change)) [[likely]] {
            benefit += cur_b;
            instability += change;
        } else {
            add_to(benefit, cur_b);
            add_to(instability, change);
        }
        num_samples += 1.0;
    }

    // The mean benefit per sample; 0 when there is no sample.
    double get_benefit() const { return mean(benefit); }
    // The summed changes of benefit over the number of samples (not of
    // pairs); 0 when there is no sample.
    double get_instability() const { return mean(instability); }
    long long get_num_samples() const { return static_cast<long long>(num_samples); }

private:
    double mean(double sum) const { return num_samples != 0 ? sum / num_samples : 0.0; }

    double prev_b = 0;
    double cur_b = 0;
    double benefit = 0;      // sum of B
    double instability = 0;  // sum of |B - previous B|
    double num_samples = 0;
    bool first_of_log = true;
};

}  // namespace runtally2
