#include "runtally/report.hpp"

#include "common/sum.hpp"

AppFigures figures_of(const MetricData& app)
{
    return {app.get_benefit(), app.get_instability(), app.get_utilization(), app.get_missed_deadlines(),
            app.get_num_samples()};
}

void Totals::add(const MetricData& app)
{
    add(figures_of(app));
}

void Totals::add(const AppFigures& app)
{
    add_to(benefit, app.benefit);
    add_to(instability, app.instability);
    add_to(utilization, app.utilization);
    missed += app.missed;
    add_to(frequency, MetricData::missed_fraction(app.missed, static_cast<double>(app.samples)));
    samples += app.samples;
}

Averages averages_of(const Totals& totals, long long app_count)
{
    const double apps = static_cast<double>(app_count);
    return {totals.benefit / apps, totals.instability / apps, totals.missed / app_count,
            (100 * totals.frequency) / apps};
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
    const Averages averages = averages_of(totals, app_count);
    std::fprintf(out, "\n");
    std::fprintf(out, "Total Benefit:     %2.4f\n", totals.benefit);
    std::fprintf(out, "Total Instability: %2.4f\n", totals.instability);
    std::fprintf(out, "Total Utilization: %2.4f\n", totals.utilization);
    std::fprintf(out, "Missed Deadlines:  %lld/%lld\n", totals.missed, totals.samples);
    std::fprintf(out, "Avg. Benefit:      %2.4f\n", averages.benefit);
    std::fprintf(out, "Avg. Instability:  %2.4f\n", averages.instability);
    std::fprintf(out, "Avg. Missed Dls:   %lld\n", averages.missed);
    std::fprintf(out, "Missed DL Freq:    %2.4f%%\n", averages.frequency_percent);
}
