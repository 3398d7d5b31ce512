// The built programs against the fscanf baseline on generated log files:
// the whole output, byte for byte; runtally-check's counts and status
// against the same reading; runtally-table's rows against runtally's,
// runtally2's and runtally-check's, its summary against runtally's, and
// tables merged against one run; both with several jobs against one.
// RUNTALLY, RUNTALLY2, RUNTALLY_CHECK, RUNTALLY_TABLE and FSCANF_TALLY in
// the environment name the programs.

#include "tests/support/deliberate_differences.hpp"
#include "tests/support/fscanf_record.hpp"
#include "tests/support/log_generator.hpp"
#include "tests/support/program_output.hpp"
#include "tests/support/text_stream.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <sys/wait.h>
#include <vector>

using namespace logformat;

namespace {

struct Finished {
    std::string output;  // standard output
    int status;
};

Finished run_command(const std::string& command)
{
    Finished r;
    std::FILE* pipe = popen(command.c_str(), "r");
    char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;)
        r.output.append(chunk, n);
    const int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string output_of(const std::string& command)
{
    return run_command(command).output;
}

// A log as fscanf reads it with a pattern: its samples, and its outcome
// from where the reads stop and what follows there.
struct Reading {
    long long samples = 0;
    std::string outcome;
};

Reading fscanf_reading(const std::string& text, LogPattern pattern)
{
    std::FILE* file = open_text(text);
    AppData record;
    Reading reading;
    long after_last = 0;
    while (fscanf_record(file, pattern, record) >= 4) {
        ++reading.samples;
        after_last = std::ftell(file);
    }
    const auto stop = static_cast<std::size_t>(std::ftell(file));  // where the read after the last sample stopped
    std::fclose(file);
    const auto blank_from = [&](std::size_t at) {
        return std::all_of(text.begin() + static_cast<long>(at), text.end(), [](char c) { return is_c_space(c); });
    };
    const std::size_t past_blanks = std::min(text.find_first_not_of(" \t\n\v\f\r", stop), text.size());
    if (stop == static_cast<std::size_t>(after_last) && blank_from(stop)) {
        const std::size_t last_text = text.find_last_not_of(" \t\n\v\f\r");
        reading.outcome = reading.samples == 0                              ? "empty"
                          : text.find('\n', last_text) != std::string::npos ? "whole"
                                                                            : "cut";
    } else if (stop == text.size()) {
        reading.outcome = "cut";  // the end of the file inside the last record
    } else if (text[past_blanks] == '\0' && std::all_of(text.begin() + static_cast<long>(past_blanks), text.end(),
                                                        [](char c) { return c == '\0' || is_c_space(c); })) {
        reading.outcome = "cut";  // NUL bytes to the end
    } else {
        reading.outcome = "stopped";
    }
    return reading;
}

// The verdict words of the logs of a run, without their places.
std::vector<std::string> words_of(const std::vector<std::string>& verdicts)
{
    std::vector<std::string> words;
    for (const std::string& verdict : verdicts)
        words.push_back(verdict.substr(0, verdict.find(' ')));
    return words;
}

// Now and then the end of a log as a killed run or a power loss leaves it:
// cut at any byte, NUL bytes after it, or both.
void damage_end(std::string& text, std::mt19937_64& rng)
{
    const std::uint64_t kind = rng() % 8;
    if (kind == 0 || kind == 2)
        text.resize(rng() % (text.size() + 1));
    if (kind == 1 || kind == 2)
        text += std::string(rng() % 3 == 0 ? "\n" : rng() % 2 == 0 ? " " : "") + std::string(1 + rng() % 300, '\0');
}

// The windows' samples and missed deadlines add up to the whole log's, and
// the last window of each log carries the log's verdict.
void expect_windows_add_up(const std::vector<TableRow>& whole, const std::vector<TableRow>& windows)
{
    std::size_t w = 0;
    for (const TableRow& log : whole) {
        long long samples = 0;
        long long missed = 0;
        for (; w < windows.size() && windows[w].at("log") == log.at("log"); ++w) {
            samples += count(windows[w], "samples");
            missed += windows[w].contains("missed") ? count(windows[w], "missed") : 0;
        }
        ASSERT_GT(w, 0U);
        EXPECT_EQ(samples, count(log, "samples")) << log.at("log");
        EXPECT_EQ(missed, log.contains("missed") ? count(log, "missed") : 0) << log.at("log");
        EXPECT_EQ(verdict_of(windows[w - 1]), verdict_of(log)) << log.at("log");
    }
    EXPECT_EQ(w, windows.size());
}

void write_file(const std::string& path, const std::string& text)
{
    std::FILE* f = std::fopen(path.c_str(), "w");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

struct Programs {
    const char* runtally = std::getenv("RUNTALLY");
    const char* runtally2 = std::getenv("RUNTALLY2");
    const char* baseline = std::getenv("FSCANF_TALLY");
};

// Several logs per run, so that periods carry from log to log. runtally-check
// counts each log's samples as the programs do, each log's outcome is the
// one that the C library's reading gives, and its status is 0 exactly when
// every log is whole.
TEST(Differential, ProgramsMatchBaseline)
{
    const auto [runtally, runtally2, baseline] = Programs{};
    const char* check = std::getenv("RUNTALLY_CHECK");
    const char* table_program = std::getenv("RUNTALLY_TABLE");
    ASSERT_TRUE(runtally != nullptr && runtally2 != nullptr && baseline != nullptr && check != nullptr &&
                table_program != nullptr)
        << "RUNTALLY, RUNTALLY2, RUNTALLY_CHECK, RUNTALLY_TABLE and FSCANF_TALLY name the programs";
    const std::string table = table_program;
    char dir[] = "/tmp/runtally-differential-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    LogGenerator generator(7);
    std::mt19937_64 rng(8);
    for (int run = 0; run < 150; ++run) {
        std::string paths;
        std::string first_text;
        std::vector<std::string> outcomes;
        const int logs = 1 + static_cast<int>(rng() % 4);
        for (int i = 0; i < logs;) {
            std::string text = generator.log();
            damage_end(text, rng);
            if (first_deliberate_difference(text) < text.size())
                continue;
            const std::string path = std::string(dir) + "/" + std::to_string(i++) + ".log";
            write_file(path, text);
            paths += " " + path;
            first_text = i == 1 ? text : first_text;
            outcomes.push_back(fscanf_reading(text, LogPattern::Full).outcome);
        }
        const bool all_whole = std::ranges::all_of(outcomes, [](const std::string& o) { return o == "whole"; });
        SCOPED_TRACE("run " + std::to_string(run) + ":" + paths);
        const std::string report = output_of(std::string(runtally) + paths);
        ASSERT_EQ(report, output_of(std::string(baseline) + " full" + paths));
        const std::string first = paths.substr(0, paths.find(' ', 1));
        ASSERT_EQ(output_of(std::string(runtally2) + first), output_of(std::string(baseline) + " short" + first));

        const Finished full = run_command(std::string(check) + paths);
        EXPECT_EQ(check_counts(full.output), runtally_counts(report)) << full.output;
        EXPECT_EQ(words_of(check_verdicts(full.output)), outcomes) << full.output;
        EXPECT_EQ(full.status, all_whole ? 0 : 1) << full.output;
        const Finished brief = run_command(std::string(check) + " --short" + first);
        const Reading short_reading = fscanf_reading(first_text, LogPattern::Short);
        EXPECT_EQ(check_counts(brief.output), std::vector<long long>{short_reading.samples}) << brief.output;
        EXPECT_EQ(words_of(check_verdicts(brief.output)), std::vector<std::string>{short_reading.outcome})
            << brief.output;
        EXPECT_EQ(brief.status, short_reading.outcome == "whole" ? 0 : 1) << brief.output;

        // runtally-table: each whole-log row, printed with runtally's format,
        // is runtally's line, with runtally-check's verdict; with --short,
        // runtally2's line.
        const Finished rows = run_command(table + paths);
        const std::vector<TableRow> whole = table_rows(rows.output);
        std::vector<std::string> lines;
        std::vector<std::string> verdicts;
        for (const TableRow& row : whole) {
            lines.push_back(runtally_line(row));
            verdicts.push_back(verdict_of(row));
        }
        EXPECT_EQ(lines, application_lines(report));
        EXPECT_EQ(verdicts, check_verdicts(full.output));
        EXPECT_EQ(rows.status, full.status);
        const std::vector<TableRow> brief_rows = table_rows(output_of(table + " --short" + first));
        ASSERT_EQ(brief_rows.size(), 1U);
        EXPECT_EQ(runtally2_line(brief_rows[0]), output_of(std::string(runtally2) + first));
        EXPECT_EQ(verdict_of(brief_rows[0]), check_verdicts(brief.output).at(0));

        // Its summary is runtally's, printed with runtally's formats; the
        // tables of two shares of the logs, merged, are the two runs' rows
        // one after the other, and where the second share's first log takes
        // no period from the first share (its rows are those of one run),
        // their summary is runtally's too.
        const std::vector<TableRow> summary = table_rows(output_of(table + " --summary" + paths));
        ASSERT_EQ(summary.size(), 1U);
        EXPECT_EQ(runtally_summary(summary[0]), summary_of(report));
        const std::string shares[] = {first, paths.substr(first.size())};
        std::string share_rows;
        std::string tables;
        for (int k = 0; k < 2 && !shares[1].empty(); ++k) {
            const std::string json = std::string(dir) + "/share" + std::to_string(k) + ".json";
            run_command(table + " --format=json" + shares[k] + " >" + json);
            share_rows += output_of(table + shares[k]).substr(k == 0 ? 0 : rows.output.find('\n') + 1);
            tables += " " + json;
        }
        if (!shares[1].empty()) {
            const Finished merged = run_command(table + " --merge" + tables);
            EXPECT_EQ(merged.output, share_rows);
            EXPECT_EQ(merged.status, rows.status);
            if (share_rows == rows.output) {
                EXPECT_EQ(output_of(table + " --merge --summary --format=csv" + tables),
                          output_of(table + " --summary --format=csv" + paths));
            }
        }

        // Several jobs write what one job writes, the periods carried from
        // log to log included.
        const std::string seconds = std::to_string(1 + rng() % 1000) + "e-" + std::to_string(rng() % 4);
        EXPECT_EQ(output_of(table + " --jobs=3 --window=" + seconds + paths),
                  output_of(table + " --window=" + seconds + paths));
        EXPECT_EQ(output_of(table + " --jobs=2 --summary" + paths), output_of(table + " --summary" + paths));
        EXPECT_EQ(run_command(std::string(check) + " --jobs=2" + paths).output, full.output);

        // Its windows add up to the whole logs.
        expect_windows_add_up(whole, table_rows(output_of(table + " --window=" + seconds + paths)));
        const std::string samples = std::to_string(1 + rng() % 20);
        expect_windows_add_up(whole, table_rows(output_of(table + " --window-samples=" + samples + paths)));
        expect_windows_add_up(brief_rows,
                              table_rows(output_of(table + " --short --window-samples=" + samples + first)));
    }
    std::filesystem::remove_all(dir);
}

// Logs of many blocks, whose long runs of white space between records and
// inside them cross the ends of blocks: every sample after such a run counts.
TEST(Differential, WhiteSpaceAcrossBlocks)
{
    const auto [runtally, runtally2, baseline] = Programs{};
    ASSERT_TRUE(runtally != nullptr && runtally2 != nullptr && baseline != nullptr);
    char dir[] = "/tmp/runtally-differential-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string full = std::string(dir) + "/full.log";
    const std::string brief = std::string(dir) + "/short.log";
    write_file(full, LogGenerator(21, {.damage = false, .p_part = true, .long_space = 12}).lines(3'000'000));
    write_file(brief, LogGenerator(22, {.damage = false, .p_part = false, .long_space = 12}).lines(3'000'000));
    const std::string report = output_of(std::string(runtally) + " " + full);
    EXPECT_EQ(report, output_of(std::string(baseline) + " full " + full));
    EXPECT_GT(report.size(), 0U);
    EXPECT_EQ(output_of(std::string(runtally2) + " " + brief), output_of(std::string(baseline) + " short " + brief));
    std::filesystem::remove_all(dir);
}

}  // namespace
