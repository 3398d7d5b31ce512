#pragma once

#include "runtally/metric_data.hpp"

#include <cstdio>

// The report's sums over applications.
struct Totals {
    double benefit = 0;
    double instability = 0;
    double utilization = 0;
    double frequency = 0;  // sum of the missed-deadline fractions
    long long missed = 0;
    long long samples = 0;

    void add(const MetricData& app);
};

void print_banner(std::FILE* out, int app_count);
void print_application(std::FILE* out, const MetricData& app);
// The empty line, the totals and the averages over app_count applications.
void print_summary(std::FILE* out, const Totals& totals, int app_count);
