// The baseline: both reports computed straight from the C library's fscanf,
// as plainly as the format and the figures allow. The benchmark measures our
// programs against it, and the end-to-end tests compare their output with it
// on logs where the two readers agree by design (no integer beyond 32 bits,
// no hexadecimal number, no partial spelling of inf or nan).
//
//   fscanf_tally full LOG...   prints what runtally prints
//   fscanf_tally short LOG     prints what runtally2 prints

#include "tests/support/fscanf_record.hpp"

#include <cmath>
#include <cstdio>
#include <cstring>

using namespace logformat;

namespace {

// The one rule both programs fix where C leaves it open: adding a NaN
// term gives that term's NaN, whatever the compiler's operand order.
void add(double& sum, double term)
{
    sum = std::isnan(term) ? term : sum + term;
}

double ratio(double sum, double divisor)
{
    return divisor != 0 ? sum / divisor : 0.0;
}

int full(int count, char** paths)
{
    std::printf("%d applications\n", count);
    AppData r;
    double total_benefit = 0, total_instability = 0, total_utilization = 0, total_frequency = 0;
    int total_missed = 0, total_samples = 0;
    for (int i = 0; i < count; ++i) {
        double prev_b = 0, cur_b = 0, benefit = 0, instability = 0, samples = 0, cpu_time = 0, time = 0;
        int missed = 0;
        if (std::FILE* f = std::fopen(paths[i], "r")) {
            while (fscanf_record(f, LogPattern::Full, r) >= 4) {
                if (r.B == 0)
                    r.MCPU = 0;
                prev_b = cur_b;
                cur_b = r.B;
                if (samples == 0)
                    prev_b = cur_b;
                const double change = std::fabs(cur_b - prev_b);
                const double s = static_cast<double>(r.P) / 1000000;
                add(time, s);
                add(benefit, cur_b * s);
                add(instability, change);
                add(cpu_time, static_cast<double>(r.MCPU) * s);
                if (r.B == 0)
                    ++missed;
                samples += 1.0;
            }
            std::fclose(f);
        }
        const double utilization = ratio(cpu_time, time);
        const double frequency = ratio(missed, samples);
        std::printf("B:%2.2f, I:%2.5f, U:%2.5f, M:%d/%d (%2.4f%%)\n", benefit, instability, utilization, missed,
                    static_cast<int>(samples), 100 * frequency);
        add(total_benefit, benefit);
        add(total_instability, instability);
        add(total_utilization, utilization);
        total_missed += missed;
        add(total_frequency, frequency);
        total_samples += static_cast<int>(samples);
    }
    std::printf("\n");
    std::printf("Total Benefit:     %2.4f\n", total_benefit);
    std::printf("Total Instability: %2.4f\n", total_instability);
    std::printf("Total Utilization: %2.4f\n", total_utilization);
    std::printf("Missed Deadlines:  %d/%d\n", total_missed, total_samples);
    std::printf("Avg. Benefit:      %2.4f\n", total_benefit / count);
    std::printf("Avg. Instability:  %2.4f\n", total_instability / count);
    std::printf("Avg. Missed Dls:   %d\n", total_missed / count);
    std::printf("Missed DL Freq:    %2.4f%%\n", (100 * total_frequency) / count);
    return 0;
}

int brief(const char* path)
{
    AppData r;
    double prev_b = 0, cur_b = 0, benefit = 0, instability = 0, samples = 0;
    if (std::FILE* f = std::fopen(path, "r")) {
        while (fscanf_record(f, LogPattern::Short, r) >= 4) {
            prev_b = cur_b;
            cur_b = r.B;
            if (samples == 0)
                prev_b = cur_b;
            const double change = std::fabs(cur_b - prev_b);
            add(benefit, cur_b);
            add(instability, change);
            samples += 1.0;
        }
        std::fclose(f);
    }
    std::printf("B:%2.2f, I:%2.5f\n", ratio(benefit, samples), ratio(instability, samples));
    return 0;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc >= 3 && std::strcmp(argv[1], "full") == 0)
        return full(argc - 2, argv + 2);
    if (argc == 3 && std::strcmp(argv[1], "short") == 0)
        return brief(argv[2]);
    std::fputs("usage: fscanf_tally full LOG... | fscanf_tally short LOG\n", stderr);
    return 2;
}
