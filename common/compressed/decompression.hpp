#pragma once

// A compressed file's text as a stream that the reader adopts (a FILE*
// made by glibc's fopencookie), decompressed by a thread of its own beside
// the reader, into a pair of fixed blocks: while the reader takes the text
// of one, the thread fills the other, so memory stays constant however
// long the log. The file's first bytes, already read to tell its format,
// are decompressed first.
//
// A fault ends the text: the file's read error, or the library's refusal
// of the data (damaged, or truncated: the file ends inside a stream). The
// stream then reads as a read fault, after the text decompressed before
// it, and fault() tells it as the library does.

#include "common/compressed/formats.hpp"
#include "logformat/bytes/block_buffer.hpp"

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

class Decompression {
public:
    // Takes over `source`, whose `first_bytes` were read from it already,
    // and starts decompressing it in `format`, which the build reads.
    Decompression(std::FILE* source, std::string_view first_bytes, const CompressionFormat& format);
    // Stops the thread, if the stream was not closed.
    ~Decompression();
    Decompression(const Decompression&) = delete;
    Decompression& operator=(const Decompression&) = delete;

    // The text, as a stream to hand to a LogStream; null where none could be
    // made. Closing it stops the thread and closes the source.
    std::FILE* text() const { return text_; }
    // What ended the text early, as "FORMAT: MESSAGE" (the library's
    // message, or the read error's); empty where nothing did. Known once
    // the stream has read as faulty.
    const std::string& fault() const { return fault_; }

    // Each block holds this much text.
    static constexpr std::size_t kBlockSize = 256 * 1024;
    // The buffer of a stream made by fopencookie, which glibc reads a byte
    // a call where it is unbuffered: as large as the reader's block.
    static constexpr std::size_t kCookieBuffer = logformat::BlockBuffer::kBlockSize;
    // The compressed bytes are read this much at a time.
    static constexpr std::size_t kInputSize = 128 * 1024;
    // A stream's first call to its decoder is given this much of it at
    // least, where the file holds as much: its header whole, as isa-l
    // (2.30) misreads a gzip header split between calls.
    static constexpr std::size_t kStreamStart = 64 * 1024;
    static_assert(kStreamStart <= kInputSize, "a stream's start fits the input");

private:
    struct Block {
        std::vector<unsigned char> bytes = std::vector<unsigned char>(kBlockSize);
        std::size_t size = 0;   // text in it
        std::size_t taken = 0;  // text the reader took from it
        bool full = false;      // the thread has filled it: the reader's until it takes it all
        bool last = false;      // no block follows: the end of the text, or its fault
    };
    enum class Fill { Full, End, Fault };

    static ssize_t read_text(void* cookie, char* into, std::size_t size);
    static int close_text(void* cookie);
    void decompress();
    Fill fill(Block& block);
    bool read_source();
    bool begin_stream();
    Fill failed(std::string message, int error);
    void stop();

    std::FILE* source_;
    const CompressionFormat& format_;
    std::unique_ptr<Decoder> decoder_;
    // The thread's input: compressed bytes read, and those not yet decoded.
    std::vector<unsigned char> input_;
    Spans spans_;
    bool source_ended_ = false;
    bool at_stream_start_ = true;

    std::array<Block, 2> blocks_;
    std::size_t reading_ = 0;  // the reader's block
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stopping_ = false;
    std::string fault_;
    int fault_error_ = 0;  // errno of the fault, for the reader

    std::FILE* text_ = nullptr;
    std::thread thread_;
};
