#pragma once

// The read-ahead: samples the window has read past the stream's position, in
// one loop over the buffer, and that read_sample hands out one per read. A
// sample read ahead is what a read at its place would store: the same fields
// and the same next position, so a read that takes it is that read.
//
// Its one rule, kept here and nowhere else: the samples hold while the bytes
// stand where they were read (the buffer has not moved them) and the stream
// stands exactly where the last sample taken left it. Any other move of the
// position, or of the bytes, leaves them unused; nothing has to drop them.

#include "logformat/app_data.hpp"
#include "logformat/bytes/block_buffer.hpp"
#include "logformat/pattern.hpp"

#include <array>
#include <cstddef>
#include <cstdint>

namespace logformat {

class ReadAhead {
public:
    // The samples one fill reads at most (docs/performance.md gives the measure).
    static constexpr int kSamples = 32;

    // True when a read of `pattern` at the buffer's position can take the next sample.
    bool holds(LogPattern pattern, const BlockBuffer& bytes) const
    {
        return taken_ != count_ && bytes.data() == at_ && bytes.moves() == moves_ && pattern_ == pattern;
    }

    // Stores the next sample's fields of `pattern` into record, leaving the
    // others as they are, moves the buffer's position past it and returns
    // the count of fields stored, as the read at its place would.
    int take(LogPattern pattern, AppData& record, BlockBuffer& bytes)
    {
        const AppData& sample = samples_[static_cast<std::size_t>(taken_)];
        const std::size_t count = element_count(pattern);
#pragma GCC unroll 8
        for (std::size_t i = 0; i < kMostElements; ++i) {
            const Element& e = kElements[i];
            if (i >= count)
                break;
            if (e.is_integer())
                record.*e.integer = sample.*e.integer;
            else
                record.*e.real = sample.*e.real;
        }
        at_ = next_[static_cast<std::size_t>(taken_++)];
        bytes.consume(at_);
        return static_cast<int>(element_count(pattern));
    }

    // A fill from the buffer's position: start(), then add() for each sample
    // in order, at most kSamples.
    void start(LogPattern pattern, const BlockBuffer& bytes)
    {
        count_ = taken_ = 0;
        pattern_ = pattern;
        at_ = bytes.data();
        moves_ = bytes.moves();
    }
    void add(const AppData& sample, const char* next)
    {
        samples_[static_cast<std::size_t>(count_)] = sample;
        next_[static_cast<std::size_t>(count_++)] = next;
    }
    // Or, for a fill that writes samples in place: places() for the next
    // one, then placed() once each is written. A fill writes no more than
    // kSamples in all.
    AppData* places()
    {
        return samples_.data() + count_;
    }
    void placed(const char* next)
    {
        next_[static_cast<std::size_t>(count_++)] = next;
    }
    int count() const
    {
        return count_;
    }

private:
    std::array<AppData, kSamples> samples_{};
    std::array<const char*, kSamples> next_{};  // where the stream stands after each
    int count_ = 0;                             // samples read ahead
    int taken_ = 0;                             // samples handed out
    LogPattern pattern_ = LogPattern::Full;     // the pattern they were read with
    const char* at_ = nullptr;                  // where the next sample starts
    std::uint64_t moves_ = 0;                   // the buffer's moves when they were read
};

}  // namespace logformat
