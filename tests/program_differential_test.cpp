// The built programs against the fscanf baseline on generated log files:
// the whole output, byte for byte. RUNTALLY, RUNTALLY2 and FSCANF_TALLY in
// the environment name the programs.

#include "tests/support/deliberate_differences.hpp"
#include "tests/support/log_generator.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace {

// Runs a command and returns what it printed on standard output.
std::string output_of(const std::string& command)
{
    std::string text;
    std::FILE* pipe = popen(command.c_str(), "r");
    char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;)
        text.append(chunk, n);
    pclose(pipe);
    return text;
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

// Several logs per run, so that periods carry from log to log.
TEST(Differential, ProgramsMatchBaseline)
{
    const auto [runtally, runtally2, baseline] = Programs{};
    ASSERT_TRUE(runtally != nullptr && runtally2 != nullptr && baseline != nullptr)
        << "RUNTALLY, RUNTALLY2 and FSCANF_TALLY name the programs";
    char dir[] = "/tmp/runtally-differential-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    LogGenerator generator(7);
    std::mt19937_64 rng(8);
    for (int run = 0; run < 150; ++run) {
        std::string paths;
        const int logs = 1 + static_cast<int>(rng() % 4);
        for (int i = 0; i < logs;) {
            const std::string text = generator.log();
            if (first_deliberate_difference(text) < text.size())
                continue;
            const std::string path = std::string(dir) + "/" + std::to_string(i++) + ".log";
            write_file(path, text);
            paths += " " + path;
        }
        SCOPED_TRACE("run " + std::to_string(run) + ":" + paths);
        ASSERT_EQ(output_of(std::string(runtally) + paths), output_of(std::string(baseline) + " full" + paths));
        const std::string first = paths.substr(0, paths.find(' ', 1));
        ASSERT_EQ(output_of(std::string(runtally2) + first), output_of(std::string(baseline) + " short" + first));
    }
    std::system(("rm -rf " + std::string(dir)).c_str());
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
    std::system(("rm -rf " + std::string(dir)).c_str());
}

}  // namespace
