#pragma once

#include "common/sum.hpp"
#include "logformat/app_data.hpp"

#include <cmath>

// The figures of one application, from running sums over its samples. Each
// sample weighs its period in seconds, s = P / 1000000.
//
// The sample count is a double, exact up to 2^53 samples, and the counts are
// returned as 64-bit integers: a run over thousands of large logs can pass
// 2^31 samples, and a count must never wrap around.
class MetricData {
public:
    MetricData() { clear(); }

    // Ready for a log: no sample yet.
    void clear();
    // Ready for a window of the same log: the sums and counts start from
    // zero, and the next sample's change is still from the last sample added.
    void start_window();
    // Inline, so that it joins the loop that reads the samples.
    void add_sample(const logformat::AppData& a)
    {
        prev_b = cur_b;
        cur_b = a.B;
        if (first_of_log) {
            prev_b = cur_b;  // the first sample shows no change
            first_of_log = false;
        }
        const double change = std::fabs(cur_b - prev_b);
        const double s = static_cast<double>(a.P) / 1000000;  // never NaN
        const double benefit_term = cur_b * s;
        const double cpu_term = static_cast<double>(a.MCPU) * s;
        // A sum of terms is NaN when one of them is: where this one is not,
        // no term is, and the NaN rule of the sums changes nothing.
        if (!std::isnan(change + benefit_term + cpu_term)) [[likely]] {
            total_time += s;
            benefit += benefit_term;
            instability += change;
            cpu_time += cpu_term;
        } else {
            add_to(total_time, s);
            add_to(benefit, benefit_term);
            add_to(instability, change);
            add_to(cpu_time, cpu_term);
        }
        if (a.B == 0)
            ++missed_deadlines;
        num_samples += 1.0;
    }

    double get_benefit() const { return benefit; }
    double get_average_benefit() const { return quotient(benefit, total_time); }
    double get_utilization() const { return quotient(cpu_time, total_time); }
    double get_instability() const { return instability; }
    double get_average_instability() const { return quotient(instability, total_time); }
    long long get_missed_deadlines() const { return missed_deadlines; }
    double get_missed_deadline_frequency() const { return missed_fraction(missed_deadlines, num_samples); }
    long long get_num_samples() const { return static_cast<long long>(num_samples); }
    double get_seconds() const { return total_time; }

    // The fraction of the samples that missed their deadline, 0 for no
    // sample: the one division of it, whether the counts come from the
    // samples or from a table of them (runtally-table --merge).
    static double missed_fraction(long long missed, double samples)
    {
        return quotient(static_cast<double>(missed), samples);
    }

private:
    // A mean over nothing (no sample, or periods that sum to zero) is 0.
    static double quotient(double sum, double divisor) { return divisor != 0 ? sum / divisor : 0.0; }

    double prev_b;
    double cur_b;
    double benefit;      // sum of B × s
    double instability;  // sum of |B - previous B|
    double num_samples;
    double cpu_time;             // sum of MCPU × s
    double total_time;           // sum of s
    long long missed_deadlines;  // samples with B exactly zero
    bool first_of_log;
};
