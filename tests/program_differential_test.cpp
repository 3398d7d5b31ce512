// The built programs against the fscanf baseline on generated log files:
// the whole output, byte for byte; and runtally-check's counts and status
// against the same reading. RUNTALLY, RUNTALLY2, RUNTALLY_CHECK and
// FSCANF_TALLY in the environment name the programs.

#include "tests/support/deliberate_differences.hpp"
#include "tests/support/fscanf_record.hpp"
#include "tests/support/log_generator.hpp"
#include "tests/support/text_stream.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>
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

// A log as fscanf reads it with a pattern: its samples, and whether nothing
// but white space follows the last of them.
struct Reading {
    long long samples = 0;
    bool to_the_end = false;
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
    std::fclose(file);
    reading.to_the_end = std::all_of(text.begin() + after_last, text.end(), [](char c) { return is_c_space(c); });
    return reading;
}

// The sample counts of runtally-check's summary lines, "PATH: 1234 samples, ...".
std::vector<long long> check_counts(const std::string& output)
{
    std::vector<long long> counts;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t colon = line.find(": ");
        if (colon == std::string::npos)
            continue;
        const std::size_t digits = colon + 2;
        std::size_t at = digits;
        while (at < line.size() && std::isdigit(line[at]))
            ++at;
        if (at > digits && line.compare(at, 7, " sample") == 0)
            counts.push_back(std::stoll(line.substr(digits, at - digits)));
    }
    return counts;
}

// The sample counts of runtally's application lines, "M:x/N".
std::vector<long long> runtally_counts(const std::string& output)
{
    std::vector<long long> counts;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);)
        if (const std::size_t m = line.find(", M:"); m != std::string::npos)
            counts.push_back(std::stoll(line.substr(line.find('/', m) + 1)));
    return counts;
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
// counts each log's samples as the programs do, and its status is 0 exactly
// when nothing but white space follows each log's last sample.
TEST(Differential, ProgramsMatchBaseline)
{
    const auto [runtally, runtally2, baseline] = Programs{};
    const char* check = std::getenv("RUNTALLY_CHECK");
    ASSERT_TRUE(runtally != nullptr && runtally2 != nullptr && baseline != nullptr && check != nullptr)
        << "RUNTALLY, RUNTALLY2, RUNTALLY_CHECK and FSCANF_TALLY name the programs";
    char dir[] = "/tmp/runtally-differential-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    LogGenerator generator(7);
    std::mt19937_64 rng(8);
    for (int run = 0; run < 150; ++run) {
        std::string paths;
        std::string first_text;
        bool all_to_the_end = true;
        const int logs = 1 + static_cast<int>(rng() % 4);
        for (int i = 0; i < logs;) {
            const std::string text = generator.log();
            if (first_deliberate_difference(text) < text.size())
                continue;
            const std::string path = std::string(dir) + "/" + std::to_string(i++) + ".log";
            write_file(path, text);
            paths += " " + path;
            first_text = i == 1 ? text : first_text;
            all_to_the_end = all_to_the_end && fscanf_reading(text, LogPattern::Full).to_the_end;
        }
        SCOPED_TRACE("run " + std::to_string(run) + ":" + paths);
        const std::string report = output_of(std::string(runtally) + paths);
        ASSERT_EQ(report, output_of(std::string(baseline) + " full" + paths));
        const std::string first = paths.substr(0, paths.find(' ', 1));
        ASSERT_EQ(output_of(std::string(runtally2) + first), output_of(std::string(baseline) + " short" + first));

        const Finished full = run_command(std::string(check) + paths);
        EXPECT_EQ(check_counts(full.output), runtally_counts(report)) << full.output;
        EXPECT_EQ(full.status, all_to_the_end ? 0 : 1) << full.output;
        const Finished brief = run_command(std::string(check) + " --short" + first);
        const Reading short_reading = fscanf_reading(first_text, LogPattern::Short);
        EXPECT_EQ(check_counts(brief.output), std::vector<long long>{short_reading.samples}) << brief.output;
        EXPECT_EQ(brief.status, short_reading.to_the_end ? 0 : 1) << brief.output;
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
