#include "runtally/report.hpp"

#include "common/sum.hpp"

void Totals::add(const MetricData& app)
{
    add_to(benefit, app.get_benefit());
    add_to(instability, app.get_instability());
    add_to(utilization, app.get_utilization());
    missed += app.get_missed_deadlines();
    add_to(frequency, app.get_missed_deadline_frequency());
    samples += app.get_num_samples();
}

void print_banner(std::FILE* out, int app_count)
{
    std::fprintf(out, "%d applications\n", app_count);
}

void print_application(std::FILE* out, const MetricData& app)
{
    std::fprintf(out, "B:%2.2f, I:%2.5f, U:%2.5f, M:%lld/%lld (%2.4f%%)\n", app.get_benefit(), app.get_instability(),
                 app.get_utilization(), app.get_missed_deadlines(), app.get_num_samples(),
                 100 * app.get_missed_deadline_frequency());
}

void print_summary(std::FILE* out, const Totals& totals, int app_count)
{
    const double apps = app_count;
    std::fprintf(out, "\n");
    std::fprintf(out, "Total Benefit:     %2.4f\n", totals.benefit);
    std::fprintf(out, "Total Instability: %2.4f\n", totals.instability);
    std::fprintf(out, "Total Utilization: %2.4f\n", totals.utilization);
    std::fprintf(out, "Missed Deadlines:  %lld/%lld\n", totals.missed, totals.samples);
    std::fprintf(out, "Avg. Benefit:      %2.4f\n", totals.benefit / apps);
    std::fprintf(out, "Avg. Instability:  %2.4f\n", totals.instability / apps);
    std::fprintf(out, "Avg. Missed Dls:   %lld\n", totals.missed / app_count);
    std::fprintf(out, "Missed DL Freq:    %2.4f%%\n", (100 * totals.frequency) / apps);
}
