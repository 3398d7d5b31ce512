// runtally-table [OPTION]... [--] LOG...: every log's figures as a table
// that other tools read: one row per log, or one per window of the log.

#include "common/command_line.hpp"
#include "common/compressed/formats.hpp"
#include "common/diagnostics.hpp"
#include "common/log_jobs.hpp"
#include "common/log_list.hpp"
#include "common/names.hpp"
#include "runtally-table/merge.hpp"
#include "runtally-table/program.hpp"
#include "runtally-table/summary.hpp"
#include "runtally-table/table_log.hpp"
#include "runtally-table/table_writer.hpp"
#include "runtally_version.hpp"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <getopt.h>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using namespace logformat;

namespace {

constexpr const char* kUsage =
    "usage: runtally-table [OPTION]... [--] LOG...\n"
    "   or: runtally-table --merge [OPTION]... [--] TABLE...\n";

constexpr const char* kHelp =
    "\n"
    "Reads each LOG as runtally reads it, or with --short as runtally2 reads it,\n"
    "and writes its figures as a table with a header: one row per log, or one per\n"
    "window.\n"
    "\n"
    "  --format=FORMAT         tsv (the default), csv or json (JSON Lines)\n"
    "  --short                 read the four-value form (no P), as runtally2 does\n"
    "  --window=SECONDS        one row per window of SECONDS of sample time\n"
    "  --window-samples=N      one row per window of N samples\n"
    "  --allow-cut-end         let a cut log (a killed run, a power loss) leave the\n"
    "                          exit status at 0\n"
    "  --allow-empty           let an empty log leave the exit status at 0\n"
    "  --files-from=FILE       read more logs' paths from FILE, one a line\n"
    "  --files0-from=FILE      read more logs' paths from FILE, NUL-separated\n"
    "  --label=NAME            call standard input NAME in its rows and diagnostics\n"
    "  --summary               one row for the whole run: runtally's summary as\n"
    "                          doubles and counts, and the logs of each outcome\n"
    "  --merge                 read TABLEs that runtally-table wrote (any format,\n"
    "                          one row a log) and write them as one table, or with\n"
    "                          --summary the summary of all their logs\n"
    "  --jobs=N                read up to N logs at once (default 1), with the same\n"
    "                          output\n"
    "  --help                  print this help and exit\n"
    "  --version               print the version and exit\n"
    "\n"
    "A LOG or FILE of - is standard input, which can be read once. A log\n"
    "compressed with gzip, zstd, xz or bzip2 is read decompressed, told by its\n"
    "first bytes.\n"
    "Each log's outcome is whole, empty, cut, stopped or unreadable.\n"
    "Exit status: 0 when every log is whole (or cut or empty, as allowed), 1 when\n"
    "one is not (its row is still written), 2 on a usage error.\n";

// The long options' values, beyond those of any short option.
enum Option {
    kFormat = 256,
    kShort,
    kWindow,
    kWindowSamples,
    kAllowCutEnd,
    kAllowEmpty,
    kFilesFrom,
    kFiles0From,
    kLabel,
    kSummary,
    kMerge,
    kJobs,
    kHelpOption,
    kVersion
};

constexpr option kOptions[] = {
    {"format", required_argument, nullptr, kFormat},
    {"short", no_argument, nullptr, kShort},
    {"window", required_argument, nullptr, kWindow},
    {"window-samples", required_argument, nullptr, kWindowSamples},
    {"allow-cut-end", no_argument, nullptr, kAllowCutEnd},
    {"allow-empty", no_argument, nullptr, kAllowEmpty},
    {"files-from", required_argument, nullptr, kFilesFrom},
    {"files0-from", required_argument, nullptr, kFiles0From},
    {"label", required_argument, nullptr, kLabel},
    {"summary", no_argument, nullptr, kSummary},
    {"merge", no_argument, nullptr, kMerge},
    {"jobs", required_argument, nullptr, kJobs},
    {"help", no_argument, nullptr, kHelpOption},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};

int usage_error(const std::string& problem)
{
    return ::usage_error(kProgram, kUsage, problem);
}

// The command line's choices, or the problem with it.
struct CommandLine {
    TableOptions table;
    ListOption list;              // --files-from or --files0-from
    const char* label = nullptr;  // standard input's name
    bool merge = false;           // the operands are tables to merge
    unsigned jobs = 1;
    std::string problem;
};

// A window's size: a decimal number of seconds (digits, a point, an
// exponent; no sign, blank or hexadecimal), one microsecond at least (the
// unit of the periods), so that a log's windows are never more than its
// microseconds.
bool parse_seconds(const char* text, double& seconds)
{
    if ((*text < '0' || *text > '9') && *text != '.')
        return false;
    if (std::string_view(text).find_first_of("xX") != std::string_view::npos)
        return false;
    char* end = nullptr;
    seconds = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(seconds) && seconds >= 1e-6;
}

// A window's count of samples: a whole number, 1 or more. One beyond 64 bits
// is a window larger than any log, as the largest count is.
bool parse_count(const char* text, long long& count)
{
    char* end = nullptr;
    errno = 0;
    count = std::strtoll(text, &end, 10);
    return end != text && *end == '\0' && (errno == 0 || count == LLONG_MAX) && count > 0 && text[0] >= '0' &&
           text[0] <= '9';
}

void choose(CommandLine& line, int option, const char* value)
{
    // The value as a message shows it: on one line, with no byte raw that a terminal obeys.
    const std::string given = printable_name(value == nullptr ? "" : value);
    if (option == kFormat) {
        if (given == "tsv")
            line.table.format = Format::Tsv;
        else if (given == "csv")
            line.table.format = Format::Csv;
        else if (given == "json")
            line.table.format = Format::Json;
        else
            line.problem = "unknown format '" + given + "' (tsv, csv or json)";
    } else if (option == kShort) {
        line.table.pattern = LogPattern::Short;
    } else if (option == kAllowCutEnd) {
        line.table.allowed.cut = true;
    } else if (option == kAllowEmpty) {
        line.table.allowed.empty = true;
    } else if (option == kWindow || option == kWindowSamples) {
        if (line.table.windows != Windows::None)
            line.problem = "one window option at most";
        else if (option == kWindow && !parse_seconds(value, line.table.seconds))
            line.problem = "a window is a number of seconds, 1e-6 or more: '" + given + "'";
        else if (option == kWindowSamples && !parse_count(value, line.table.samples))
            line.problem = "a window of samples is a whole number, 1 or more: '" + given + "'";
        line.table.windows = option == kWindow ? Windows::OfSeconds : Windows::OfSamples;
    } else if (option == kLabel) {
        line.label = value;
    } else if (option == kSummary) {
        line.table.summary = true;
    } else if (option == kMerge) {
        line.merge = true;
    } else if (option == kJobs) {
        if (!parse_jobs(value, line.jobs))
            line.problem = "jobs are a whole number from 1 to " + std::to_string(kMostJobs) + ": '" + given + "'";
    } else if (option == kFilesFrom || option == kFiles0From) {
        line.problem = line.list.take(value, option == kFilesFrom ? ListForm::Lines : ListForm::NulSeparated);
    }
}

// What the options cannot do together, or empty.
std::string clash_of(const CommandLine& line)
{
    const TableOptions& table = line.table;
    const bool windows = table.windows != Windows::None;
    if (table.windows == Windows::OfSeconds && table.pattern == LogPattern::Short)
        return "--window needs periods, which the four-value form (--short) has not: try --window-samples";
    // runtally2 reads one log and prints no summary: there is none of its to give.
    if (table.summary && table.pattern == LogPattern::Short)
        return "--summary gives runtally's summary; runtally2 (--short) reads one log, and has none";
    if (table.summary && windows)
        return "--summary writes one row for the run, a window option one for each window: not both";
    if (line.merge && (windows || table.pattern == LogPattern::Short))
        return "--merge reads tables of one row a log, in the form they were written: no --short or window";
    if (line.merge && line.jobs > 1)
        return "--merge reads its tables one after another: no --jobs";
    return "";
}

}  // namespace

int main(int argc, char* argv[])
{
    CommandLine line;
    opterr = 0;
    for (int option; (option = getopt_long(argc, argv, ":", kOptions, nullptr)) != -1;) {
        if (option == '?' || option == ':')
            return usage_error(refused_option(option, argv));
        if (option == kHelpOption) {
            std::fputs(kUsage, stdout);
            std::fputs(kHelp, stdout);
            return finish(kProgram, 0);
        }
        if (option == kVersion) {
            std::printf("%s %s\nlogs read with %s\ncompressed logs read: %s\n", kProgram, kRuntallyVersion,
                        instruction_set_of_logs(), formats_read().c_str());
            return finish(kProgram, 0);
        }
        choose(line, option, optarg);
        if (!line.problem.empty())
            return usage_error(line.problem);
    }
    if (const std::string problem = clash_of(line); !problem.empty())
        return usage_error(problem);
    LogList logs(kProgram, argv + optind, argv + argc, line.list, line.table.pattern, line.label);
    if (!logs.problem().empty())
        return usage_error(logs.problem());
    // The header waits for the first log: a list that names none is a usage
    // error, with nothing on standard output.
    LogName name;
    bool more = logs.next(name);
    if (const std::string problem = more ? "" : logs.none_named(); !problem.empty())
        return usage_error(problem);

    if (line.merge && !more)
        return finish(kProgram, logs.tell_error(kProgram) ? 1 : 0);
    if (line.merge)
        return finish(kProgram, merge_tables(logs, std::move(name), line.table));

    TableWriter writer(stdout, line.table.format, line.table.summary ? RunSummary::columns() : columns_of(line.table));
    writer.header();
    // Each job keeps what the summary takes from its log in its slot, added
    // in the run's order once the logs before it are done.
    std::vector<LogSummary> logs_done(line.jobs);
    RunSummary summary;
    bool all_pass = true;
    if (more)
        run_jobs(
            logs, std::move(name), line.jobs,
            [&](const LogName& log, LogJob& job) { return table_log(log, line.table, job, logs_done[job.slot()]); },
            [&](std::size_t slot, bool passes) {
                all_pass = passes && all_pass;
                if (line.table.summary)
                    summary.add(logs_done[slot]);
            });
    if (logs.tell_error(kProgram))
        all_pass = false;
    if (line.table.summary && std::ferror(stdout) == 0)
        summary.write(writer);
    return finish(kProgram, all_pass ? 0 : 1);
}
