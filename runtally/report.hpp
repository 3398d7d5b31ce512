#pragma once

#include "runtally/metric_data.hpp"

#include <cstdio>

// One application's figures, as the report adds them: the doubles and
// counts of its MetricData, or the same read back from a table of them
// (runtally-table --merge), which give the same sums.
struct AppFigures {
    double benefit = 0;
    double instability = 0;
    double utilization = 0;
    long long missed = 0;
    long long samples = 0;
};

AppFigures figures_of(const MetricData& app);

// The report's sums over applications.
struct Totals {
    double benefit = 0;
    double instability = 0;
    double utilization = 0;
    double frequency = 0;  // sum of the missed-deadline fractions
    long long missed = 0;
    long long samples = 0;

    void add(const MetricData& app);
    // The missed-deadline fraction is computed from the two counts, as
    // MetricData computes it: the same double.
    void add(const AppFigures& app);
};

// The summary's averages over app_count applications, as print_summary
// prints them; app_count is 1 or more.
struct Averages {
    double benefit = 0;
    double instability = 0;
    long long missed = 0;          // the missed deadlines per application, truncated
    double frequency_percent = 0;  // the mean of the fractions, in percent
};

Averages averages_of(const Totals& totals, long long app_count);

void print_banner(std::FILE* out, int app_count);
void print_application(std::FILE* out, const MetricData& app);
// The empty line, the totals and the averages over app_count applications.
void print_summary(std::FILE* out, const Totals& totals, int app_count);
