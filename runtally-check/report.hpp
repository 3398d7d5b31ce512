#pragma once

// How runtally-check tells what the reading of one log did, on its output:
// diagnostics "PATH:LINE:COLUMN: SEVERITY: MESSAGE", the first ten warnings
// of each kind and then their number, and one summary line.

#include "logformat/log_stream.hpp"
#include "logformat/pattern.hpp"
#include "logformat/read_notes.hpp"

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

// The line that gave the run's period last; a sample without one takes it.
struct PeriodSource {
    std::string path;        // the log's, as printable_name writes it
    std::uint64_t line = 0;  // 0 while no line of the run has given one
    bool this_log = false;   // the line is in the log being read
};

// The kinds of warning, each shown ten times per log at most.
enum Kind { NoPeriod, NoTime, BeyondFloat, ExponentWithoutDigits, Hexadecimal, InfinityOrNan, ReadsAsZero, kKinds };

struct Report {
    std::string path;  // as printable_name writes it
    std::FILE* out;
    std::array<std::uint64_t, kKinds> counts{};

    void say(logformat::TextPosition at, const char* severity, const std::string& message) const;
    void warn(Kind kind, logformat::TextPosition at, const std::string& message);
    // "PATH: note: MESSAGE", of the log as a whole.
    void note(const std::string& message) const;
    // The number of warnings of each kind beyond those shown, then
    // "PATH: N samples, OUTCOME", the outcome's word first.
    void summary(std::uint64_t samples, const std::string& outcome) const;
};

// What one of the reader's decisions did to a value.
std::string value_message(const logformat::ValueNote& note, logformat::LogPattern pattern);
Kind kind_of(logformat::Change change);

// Where a sample without a period takes one from.
std::string period_message(std::int32_t period, const PeriodSource& from);

// What a period of zero or less does to its sample.
std::string no_time_message(std::int32_t period);
