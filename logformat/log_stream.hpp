#pragma once

// The stream that read_sample reads: a log's bytes (bytes/block_buffer.hpp),
// the samples read ahead of its position (routes/read_ahead.hpp), and the
// instruction set it reads with, fixed when it is made. With the cursor
// (bytes/cursor.hpp) that moves its bytes between reads, for runtally-check
// and runtally-table.

#include "logformat/app_data.hpp"
#include "logformat/bytes/block_buffer.hpp"
#include "logformat/bytes/cursor.hpp"
#include "logformat/instruction_set.hpp"
#include "logformat/routes/read_ahead.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace logformat {

struct ReadNotes;

// One read of a record, as each instruction set's read does it (its
// folder's read.cpp, routes/implementations.cpp): with notes, or with null
// for none.
using ReadRecord = int (*)(BlockBuffer& bytes, ReadAhead& ahead, LogPattern pattern, AppData& record, ReadNotes* notes);

class LogStream {
public:
    // Opens path in mode "r". A failure to open shows in error().
    explicit LogStream(const char* path, InstructionSet set = widest_offered());
    // Adopts an open stream and reads it block_size bytes at a time at most
    // (1 to BlockBuffer::kBlockSize); tests use small blocks to split records
    // everywhere. A null stream reads as a log that could not be opened
    // (EINVAL). A set the processor does not offer reads as the widest offered.
    LogStream(std::FILE* file, std::size_t block_size, InstructionSet set = widest_offered());

    // Releases the file at once; the stream then reads as ended.
    void close() { bytes_.close(); }
    // errno of the failed open, or of the read fault the reader ran into; 0 if none.
    int error() const { return bytes_.error(); }
    // Bytes consumed since the start of the log: where the next read starts.
    std::uint64_t offset() const { return bytes_.offset(); }
    // Counts lines from here on, for position_of (BlockBuffer::count_lines).
    void count_lines() { bytes_.count_lines(); }
    TextPosition position_of(std::uint64_t offset) { return bytes_.position_of(offset); }
    InstructionSet instruction_set() const { return set_; }

    // The bytes, for a caller that moves the position between reads with the
    // reader's cursor (runtally-check and runtally-table pass white space
    // and lines).
    BlockBuffer& bytes() { return bytes_; }

private:
    friend int read_sample(LogStream& stream, LogPattern pattern, AppData& record);
    friend int read_sample(LogStream& stream, LogPattern pattern, AppData& record, ReadNotes& notes);
    friend int read_sample_noting_breaks(LogStream& stream, LogPattern pattern, AppData& record, ReadNotes& notes);

    BlockBuffer bytes_;
    ReadAhead ahead_;
    InstructionSet set_;
    ReadRecord read_;
};

}  // namespace logformat
