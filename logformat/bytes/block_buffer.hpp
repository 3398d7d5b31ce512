#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace logformat {

// A place in a log: 1-based line and column, the column counted in bytes.
struct TextPosition {
    std::uint64_t line = 0;
    std::uint64_t column = 0;
};

// The bytes of a log opened for reading, in the fixed block buffer that the
// reader matches over. It moves bytes and nothing else: what the bytes mean
// is the reader's. The buffer is refilled block after block and keeps back
// fewer than kLookahead unread bytes when it does, so memory does not grow
// with the log, its lines, its runs of white space or its numbers.
//
// A read fault is held back until the reader has used every byte read before
// it: error() tells of it only once the reader has run into it.
class BlockBuffer {
public:
    static constexpr std::size_t kBlockSize = 64 * 1024;
    // How far peek_at looks ahead of the next byte, at most.
    static constexpr std::size_t kLookahead = 32;
    // Zero bytes kept behind the data: scans for digits, blanks or tags stop
    // there without a bounds check, and loads of up to kPadding bytes from
    // any byte of the data stay in the buffer.
    static constexpr std::size_t kPadding = 16;
    // Bytes kept before the data, readable and never part of it: a load of
    // 16 bytes that ends inside the data may begin up to kPaddingBefore
    // bytes before its start (the AVX2 batch's lanes, two for a long number).
    static constexpr std::size_t kPaddingBefore = 32;
    static constexpr int kEnd = -1;  // peek's answer at the end of input or at a fault

    // Opens path in mode "r". A failure to open shows in error().
    explicit BlockBuffer(const char* path);
    // Adopts an open stream and reads it block_size bytes at a time at most
    // (1 to kBlockSize); tests use small blocks to split records everywhere.
    // A null stream reads as a log that could not be opened (EINVAL).
    BlockBuffer(std::FILE* file, std::size_t block_size);
    ~BlockBuffer();
    BlockBuffer(const BlockBuffer&) = delete;
    BlockBuffer& operator=(const BlockBuffer&) = delete;

    // Releases the file at once; the stream then reads as ended.
    void close();
    // errno of the failed open, or of the read fault the reader ran into; 0 if none.
    int error() const { return error_; }
    // Bytes consumed since the start of the log: where the next read starts.
    std::uint64_t offset() const { return offset_of(pos_); }
    // The offset in the log of a byte of the buffer.
    std::uint64_t offset_of(const char* p) const { return base_offset_ + static_cast<std::uint64_t>(p - front()); }

    // The unread bytes in the buffer, [data(), data_end()), followed by
    // kPadding zero bytes. The reader works on them through its own cursor
    // and hands the position back with consume().
    const char* data() const { return pos_; }
    const char* data_end() const { return end_; }
    void consume(const char* next) { pos_ = const_cast<char*>(next); }
    // How many times the bytes have moved in the buffer (a refill, a close):
    // a pointer into the data taken before a move is stale after it.
    std::uint64_t moves() const { return moves_; }
    // Keeps the unread bytes and reads one more block behind them. False when
    // nothing more could be read: the end of the log, or a fault.
    bool refill();
    // The byte `distance` places after the next one (distance < kLookahead), or kEnd.
    int peek_at(std::size_t distance);

    // Counts lines from here on, as the log streams by, for position_of:
    // the next byte is line 1, column 1. runtally and runtally2 never ask;
    // runtally-check and runtally-table do, from the start of each log.
    void count_lines()
    {
        counting_ = true;
        counted_ = line_start_ = after_text_ = offset();
        line_ = 1;
    }
    // The line and column of a byte: one of the buffer's data, or a byte
    // counted already that no line end counted since lies behind. Ask in the
    // order of the log; a byte of a number or a tag can always be asked for
    // while its read goes on, since no line end lies inside either. Line
    // and column 0 where lines are not counted.
    TextPosition position_of(std::uint64_t offset);
    // With lines counted: true when a line end lies between the last byte
    // before `offset` that is no white space and `offset` (asked as
    // position_of is), as after a log's last record that its writer ended.
    bool line_end_after_text(std::uint64_t offset);

private:
    void count_to(std::uint64_t offset);
    // Where the data starts after a refill: behind the padding before it.
    char* front() { return buffer_.data() + kPaddingBefore; }
    const char* front() const { return buffer_.data() + kPaddingBefore; }

    std::FILE* file_;
    std::size_t block_size_;
    int error_ = 0;
    int pending_error_ = 0;          // a read fault not yet reached by the reader
    bool drained_ = false;           // end of file or a fault: nothing more to read
    std::uint64_t base_offset_ = 0;  // offset in the log of front()[0]
    std::array<char, kPaddingBefore + kBlockSize + kLookahead + kPadding> buffer_;
    char* pos_;
    char* end_;
    std::uint64_t moves_ = 0;

    bool counting_ = false;
    std::uint64_t counted_ = 0;     // line ends are counted up to this offset
    std::uint64_t line_ = 1;        // the line of offset counted_
    std::uint64_t line_start_ = 0;  // the offset where that line begins
    std::uint64_t after_text_ = 0;  // the offset after the last byte counted that is no white space
};

}  // namespace logformat
