#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>

// A log opened for reading, with the fixed block buffer that the reader
// matches over. The buffer is refilled block after block and keeps back at
// most a few bytes of lookahead, so memory does not grow with the log, its
// lines, its runs of white space or its numbers.
//
// A read fault is held back until the reader has used every byte read before
// it: error() tells of it only once the reader has run into it.
class LogStream {
public:
    static constexpr std::size_t kBlockSize = 64 * 1024;
    static constexpr std::size_t kLookahead = 8;
    // Zero bytes kept behind the data: scans for digits, blanks or tags stop
    // there without a bounds check, and eight-byte loads stay in the buffer.
    static constexpr std::size_t kPadding = 16;
    static constexpr int kEnd = -1;  // peek's answer at the end of input or at a fault

    // Opens path in mode "r". A failure to open shows in error().
    explicit LogStream(const char* path);
    // Adopts an open stream and reads it block_size bytes at a time at most
    // (1 to kBlockSize); tests use small blocks to split records everywhere.
    LogStream(std::FILE* file, std::size_t block_size);
    ~LogStream();
    LogStream(const LogStream&) = delete;
    LogStream& operator=(const LogStream&) = delete;

    // Releases the file at once; the stream then reads as ended.
    void close();
    // errno of the failed open, or of the read fault the reader ran into; 0 if none.
    int error() const { return error_; }
    // Bytes consumed since the start of the log: where the next read starts.
    std::uint64_t offset() const { return base_offset_ + static_cast<std::uint64_t>(pos_ - buffer_.data()); }

    // The unread bytes in the buffer, [data(), data_end()), followed by
    // kPadding zero bytes. The reader works on them through its own cursor
    // and hands it back with consume().
    const char* data() const { return pos_; }
    const char* data_end() const { return end_; }
    void consume(const char* next) { pos_ = const_cast<char*>(next); }
    // Keeps the unread bytes and reads one more block behind them. False when
    // nothing more could be read: the end of the log, or a fault.
    bool refill();
    // The byte `ahead` places after the next one (ahead < kLookahead), or kEnd.
    int peek_at(std::size_t ahead);

private:

    std::FILE* file_;
    std::size_t block_size_;
    int error_ = 0;
    int pending_error_ = 0;  // a read fault not yet reached by the reader
    bool drained_ = false;   // end of file or a fault: nothing more to read
    std::uint64_t base_offset_ = 0;  // offset in the log of buffer_[0]
    std::array<char, kBlockSize + kLookahead + kPadding> buffer_;
    char* pos_;
    char* end_;
};
