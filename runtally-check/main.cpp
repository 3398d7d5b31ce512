// runtally-check [OPTION]... LOG...: reads each log as runtally reads it
// (with --short, as runtally2 does) and tells where the reading of each
// stops and why, which samples take their period from an earlier line and
// which values the reader's decisions changed.

#include "common/command_line.hpp"
#include "common/compressed/formats.hpp"
#include "common/diagnostics.hpp"
#include "common/log_jobs.hpp"
#include "common/log_list.hpp"
#include "common/names.hpp"
#include "runtally-check/check_log.hpp"
#include "runtally-check/program.hpp"
#include "runtally_version.hpp"

#include <cstdio>
#include <getopt.h>

using namespace logformat;

namespace {

constexpr const char* kUsage =
    "usage: runtally-check [OPTION]... [--] LOG...\n"
    "   or: runtally-check [OPTION]... --files-from=FILE|--files0-from=FILE [LOG]...\n";

constexpr const char* kHelp =
    "\n"
    "Reads each LOG as runtally reads it, or with --short as runtally2 reads it,\n"
    "and tells where the reading of each stops and why, which samples take their\n"
    "period from an earlier line, and which values the reader's decisions changed.\n"
    "A LOG of - is standard input. A log compressed with gzip, zstd, xz or bzip2\n"
    "is read decompressed, told by its first bytes.\n"
    "\n"
    "  --short              read the four-value form (L, CPU, B, MCPU), as\n"
    "                       runtally2 does\n"
    "  --allow-cut-end      let a log that is cut (the file ends inside its last\n"
    "                       record or with no line end after it, as a killed run\n"
    "                       leaves it, or in NUL bytes, as a power loss does) pass,\n"
    "                       with a warning\n"
    "  --allow-empty        let an empty log (no sample, nothing but white space)\n"
    "                       pass, with a warning\n"
    "  --files-from=FILE    read the logs named in FILE, one path a line, after\n"
    "                       the LOGs; - reads them from standard input\n"
    "  --files0-from=FILE   the same, with the paths separated by NUL bytes\n"
    "  --label=NAME         call standard input NAME in diagnostics\n"
    "  --jobs=N             read up to N logs at once (default 1), with the same\n"
    "                       output\n"
    "  --help               print this help and exit\n"
    "  --version            print the version and exit\n"
    "  --                   end the options: every argument after it is a log\n"
    "\n"
    "Each log's outcome is whole, empty, cut, stopped or unreadable.\n"
    "Exit status: 0 when every log is whole (or cut or empty, as allowed), 1 when\n"
    "one is not, 2 on a usage error.\n";

enum Option : int {
    kShort = 256,
    kAllowCutEnd,
    kAllowEmpty,
    kFilesFrom,
    kFiles0From,
    kLabel,
    kJobs,
    kHelpOption,
    kVersionOption
};

}  // namespace

int main(int argc, char* argv[])
{
    static const option kOptions[] = {
        {"short", no_argument, nullptr, kShort},
        {"allow-cut-end", no_argument, nullptr, kAllowCutEnd},
        {"allow-empty", no_argument, nullptr, kAllowEmpty},
        {"files-from", required_argument, nullptr, kFilesFrom},
        {"files0-from", required_argument, nullptr, kFiles0From},
        {"label", required_argument, nullptr, kLabel},
        {"jobs", required_argument, nullptr, kJobs},
        {"help", no_argument, nullptr, kHelpOption},
        {"version", no_argument, nullptr, kVersionOption},
        {nullptr, 0, nullptr, 0},
    };
    CheckOptions options;
    ListOption list;
    const char* label = nullptr;
    unsigned jobs = 1;
    opterr = 0;
    for (int answer; (answer = getopt_long(argc, argv, ":", kOptions, nullptr)) != -1;) {
        switch (answer) {
        case kShort: options.pattern = LogPattern::Short; break;
        case kAllowCutEnd: options.allow_cut_end = true; break;
        case kAllowEmpty: options.allow_empty = true; break;
        case kFilesFrom:
        case kFiles0From:
            if (const std::string problem =
                    list.take(optarg, answer == kFilesFrom ? ListForm::Lines : ListForm::NulSeparated);
                !problem.empty())
                return usage_error(kProgram, kUsage, problem);
            break;
        case kLabel: label = optarg; break;
        case kJobs:
            if (!parse_jobs(optarg, jobs))
                return usage_error(kProgram, kUsage,
                                   "jobs are a whole number from 1 to " + std::to_string(kMostJobs) + ": '" +
                                       printable_name(optarg) + "'");
            break;
        case kHelpOption:
            std::fputs(kUsage, stdout);
            std::fputs(kHelp, stdout);
            return finish(kProgram, 0);
        case kVersionOption:
            std::printf("runtally-check %s\nlogs read with %s\ncompressed logs read: %s\n", kRuntallyVersion,
                        instruction_set_of_logs(), formats_read().c_str());
            return finish(kProgram, 0);
        default: return usage_error(kProgram, kUsage, refused_option(answer, argv));
        }
    }
    LogList logs(kProgram, argv + optind, argv + argc, list, options.pattern, label);
    if (!logs.problem().empty())
        return usage_error(kProgram, kUsage, logs.problem());
    LogName name;
    bool more = logs.next(name);
    if (const std::string problem = more ? "" : logs.none_named(); !problem.empty())
        return usage_error(kProgram, kUsage, problem);

    bool all_pass = true;
    if (more)
        run_jobs(
            logs, name, jobs, [&](const LogName& log, LogJob& job) { return check_log(log, options, job); },
            [&](std::size_t, bool passes) { all_pass = passes && all_pass; });
    if (logs.tell_error(kProgram))
        all_pass = false;
    return finish(kProgram, all_pass ? 0 : 1);
}
