#pragma once

// How every program tells of a log it could not read and of a report it
// could not write, on standard error: "PROGRAM: PATH: REASON" and
// "PROGRAM: write error: REASON". The path is written as printable_name
// gives it (names.hpp), so that no name breaks the line or reaches the
// terminal raw.

#include "logformat/log_stream.hpp"

#include <cstdio>
#include <string_view>

// Tells on standard error (or on `err`) that the file at `path` failed for `reason`.
void path_failed(const char* program, std::string_view path, const char* reason);
void path_failed(std::FILE* err, const char* program, std::string_view path, const char* reason);

// Releases the log and tells of its open or read error, if it had one.
// True when it had one.
bool close_log(const char* program, const char* path, logformat::LogStream& log);

// Flushes standard output and tells of a write error, if there was one.
// True when there was one.
bool output_failed(const char* program);
