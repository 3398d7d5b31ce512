// runtally-check [--short] [--] LOG...: reads each log as runtally reads it
// (with --short, as runtally2 does) and tells where the reading of each
// stops and why, which samples take their period from an earlier line and
// which values the reader's decisions changed.

#include "common/diagnostics.hpp"
#include "runtally-check/check_log.hpp"
#include "runtally_version.hpp"

#include <cstdio>
#include <string>
#include <string_view>

using namespace logformat;

namespace {

constexpr const char* kUsage = "usage: runtally-check [--short] [--] LOG...\n";

constexpr const char* kHelp =
    "\n"
    "Reads each LOG as runtally reads it, or with --short as runtally2 reads it,\n"
    "and tells where the reading of each stops and why, which samples take their\n"
    "period from an earlier line, and which values the reader's decisions changed.\n"
    "\n"
    "  --short     read the four-value form (L, CPU, B, MCPU), as runtally2 does\n"
    "  --help      print this help and exit\n"
    "  --version   print the version and exit\n"
    "  --          end the options: every argument after it is a log\n"
    "\n"
    "Exit status: 0 when every log is read to its end, 1 when a log stops before\n"
    "its end or cannot be read, 2 on a usage error.\n";

int usage_error(const std::string& problem)
{
    std::fprintf(stderr, "runtally-check: %s\n%sTry 'runtally-check --help' for more.\n", problem.c_str(), kUsage);
    return 2;
}

int finish(int status)
{
    return output_failed("runtally-check") ? 1 : status;
}

}  // namespace

int main(int argc, char* argv[])
{
    LogPattern pattern = LogPattern::Full;
    int first_log = 1;
    for (; first_log < argc; ++first_log) {
        const std::string_view option = argv[first_log];
        if (option == "--") {
            ++first_log;
            break;
        }
        if (option.size() < 2 || option[0] != '-')
            break;  // the first log: options come before the logs
        if (option == "--short") {
            pattern = LogPattern::Short;
        } else if (option == "--help") {
            std::fputs(kUsage, stdout);
            std::fputs(kHelp, stdout);
            return finish(0);
        } else if (option == "--version") {
            std::printf("runtally-check %s\n", kRuntallyVersion);
            return finish(0);
        } else {
            return usage_error("unknown option '" + std::string(option) + "'");
        }
    }
    if (first_log >= argc)
        return usage_error("no log named");

    AppData record;  // one record for the run, as in runtally: periods carry from log to log
    PeriodSource period;
    bool all_read = true;
    for (int i = first_log; i < argc && std::ferror(stdout) == 0; ++i)
        all_read = check_log(argv[i], pattern, record, period, stdout) && all_read;
    return finish(all_read ? 0 : 1);
}
