#pragma once

// The command-line conventions of our own programs: options parsed by
// getopt_long, and a wrong command line told on standard error as
//   PROGRAM: PROBLEM
//   USAGE
//   Try 'PROGRAM --help' for more.
// with status 2.

#include <string>

inline constexpr int kUsageStatus = 2;

// Tells of the problem as above; returns kUsageStatus.
int usage_error(const char* program, const char* usage, const std::string& problem);

// What was wrong with the option that getopt_long just refused: its answer
// (':' for a missing value, '?' for anything else; the option string starts
// with ':' and opterr is 0) and the arguments it parsed. Long options
// without a short form have values of 256 and more.
std::string refused_option(int answer, char* const argv[]);

// Flushes standard output: `status`, or 1 after a write error, which is told
// as every program tells it.
int finish(const char* program, int status);
