#pragma once

// How the reading of a log ended, decided once for runtally-check and
// runtally-table: one outcome for each log, from what the reading left (the
// last sample's read, the read after it, the samples counted) and from what
// follows it in the log (white space and line ends, NUL bytes, the end).
//
//   whole       read to its end, one sample at least, and a line end after
//               the last record (white space may follow)
//   empty       no sample, nothing but white space (0 bytes, blank lines)
//   cut         the file ends inside its last record, or right after it
//               with no line end, or in NUL bytes after it: what a killed
//               run or a power loss leaves
//   stopped     a record that does not fit comes before the end; the
//               records after it are counted
//   unreadable  the log could not be opened or read
//
// A record broken off where a line end follows is stopped, not cut: the
// writer finished that line.

#include "logformat/log_stream.hpp"
#include "logformat/pattern.hpp"
#include "logformat/read_notes.hpp"

#include <cstdint>
#include <string_view>

enum class Outcome { Whole, Empty, Cut, Stopped, Unreadable };

// The outcome's word, as both programs write it: "whole", "empty", "cut",
// "stopped", "unreadable".
std::string_view word_of(Outcome outcome);

// What cut a log short, which tells its likely cause.
enum class Cause {
    None,
    EndInRecord,  // the file ends inside the last record: a killed run
    NoLineEnd,    // the file ends right after the last record, with no line end: a killed run
    NulBytes,     // NUL bytes, and white space, from the end of the records to the end: a power loss
};

// NUL bytes run on for this long at most before the rest is taken for
// binary data and not read further: a power loss leaves a few blocks of
// them, an endless stream (/dev/zero) would be read for ever.
inline constexpr std::uint64_t kMostNulBytes = std::uint64_t{64} << 20;

// The lines after the line where the reading stopped, and the records among
// them: the samples that reads from each line's first record would give,
// up to binary data (a NUL byte), where the count ends.
struct Rest {
    std::uint64_t lines = 0;  // lines of the log, up to where the count ended
    std::uint64_t records = 0;
    std::uint64_t whole = 0;           // records with every element of the pattern
    bool binary = false;               // the count ended at a NUL byte, at `binary_at`
    bool binary_on_stop_line = false;  // that NUL byte is on the line of the stop
    logformat::TextPosition binary_at;
};

// What the reading of a log left.
struct Reading {
    const logformat::ReadNotes& last_sample;  // the last sample's read (none: any notes)
    const logformat::ReadNotes& after;        // the read after it, which gave no sample
    std::uint64_t after_start = 0;            // where the read after it began
    std::uint64_t samples = 0;
};

struct Verdict {
    Outcome outcome = Outcome::Whole;
    Cause cause = Cause::None;
    // Where the reading stopped (cut and stopped): the break in the notes of
    // the last sample's read or of the read after it.
    const logformat::MatchBreak* stop = nullptr;
    // The place the outcome is told at: the stop; for a log cut with no line
    // end, the end of the file. Line and column 0 for the other outcomes.
    logformat::TextPosition at;
    Rest rest;  // stopped only
};

// Decides the outcome of a log whose reading (with the pattern, lines
// counted) ended as `reading` says, with the stream where the read after the
// last sample left it; passes on through the log as far as it must: white
// space, NUL bytes, and for a stopped log its rest, counted.
Verdict verdict_on(logformat::LogStream& log, logformat::LogPattern pattern, const Reading& reading);

// The verdict on a log that could not be opened or read before its first read.
inline Verdict unreadable()
{
    return {Outcome::Unreadable, Cause::None, nullptr, {}, {}};
}

// True when the outcome leaves the exit status at 0: whole, or cut or empty
// where the options allow it.
struct Allowed {
    bool cut = false;
    bool empty = false;
};
bool passes(Outcome outcome, Allowed allowed);
