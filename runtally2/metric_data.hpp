#pragma once

// runtally2's figures for one log: means per sample, not weighted by period.
// One instance serves the one log of a run; it has no clear().
class MetricData {
public:
    void add_sample(double b);

    // The mean benefit per sample; 0 when there is no sample.
    double get_benefit() const { return mean(benefit); }
    // The summed changes of benefit over the number of samples (not of
    // pairs); 0 when there is no sample.
    double get_instability() const { return mean(instability); }

private:
    double mean(double sum) const { return num_samples != 0 ? sum / num_samples : 0.0; }

    double prev_b = 0;
    double cur_b = 0;
    double benefit = 0;      // sum of B
    double instability = 0;  // sum of |B - previous B|
    double num_samples = 0;
};
