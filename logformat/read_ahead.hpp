#pragma once

// The read-ahead: samples the window has read past the stream's position, in
// one loop over the buffer, and that read_sample hands out one per read. A
// sample read ahead is what a read at its place would store: the same fields
// and the same next position, so a read that takes it is that read.
//
// The samples point into the stream's buffer. The stream drops them whenever
// its position moves any other way than by taking one, and whenever it moves
// its bytes.

#include "logformat/app_data.hpp"
#include "logformat/pattern.hpp"

#include <array>
#include <cstddef>

struct ReadAhead {
    // Enough that the loop's set-up is paid once for many samples (64 read
    // no faster); the memory is fixed whatever the log.
    static constexpr int kSamples = 32;

    std::array<AppData, kSamples> samples{};
    std::array<const char*, kSamples> next{};  // where the stream stands after each
    int count = 0;                             // samples read ahead
    int taken = 0;                             // samples handed out
    LogPattern pattern = LogPattern::Full;     // the pattern they were read with

    bool empty() const { return taken == count; }
    // True when a read of `read_pattern` can take the next sample.
    bool holds(LogPattern read_pattern) const { return !empty() && pattern == read_pattern; }

    void drop() { count = taken = 0; }

    // Stores the next sample's fields of `read_pattern` into record, leaving
    // the others as they are, and returns where the stream stands after it.
    const char* take(LogPattern read_pattern, AppData& record)
    {
        const AppData& sample = samples[static_cast<std::size_t>(taken)];
        for (const Element& e : elements_of(read_pattern)) {
            if (e.is_integer())
                record.*e.integer = sample.*e.integer;
            else
                record.*e.real = sample.*e.real;
        }
        return next[static_cast<std::size_t>(taken++)];
    }
};
