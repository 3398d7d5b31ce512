#pragma once

// A log opened for runtally-check and runtally-table: the file at its path,
// or standard input for "-". Its first bytes tell whether it is compressed
// (formats.hpp): a compressed log's text is read decompressed (and
// diagnostics still name the file); any other log is read as it is, its
// first bytes included, from a pipe too. runtally and runtally2 read the
// file's own bytes: they open no log this way.

#include "common/compressed/decompression.hpp"
#include "common/compressed/formats.hpp"
#include "logformat/log_stream.hpp"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class OpenLog {
public:
    explicit OpenLog(const std::string& path);
    ~OpenLog();
    OpenLog(const OpenLog&) = delete;
    OpenLog& operator=(const OpenLog&) = delete;

    logformat::LogStream& stream() { return *stream_; }
    // The format the log is compressed in; null for a log of text.
    const CompressionFormat* format() const { return format_; }
    // Why the log could not be opened or read (its stream's error): the
    // decompression's fault, a format the build does not read, or the
    // system's message.
    std::string reason() const;
    // For a compressed log whose reading ended before the end of its text
    // (a stop, binary data): reads the text on to its end, so that the
    // library checks the whole archive. True when that meets a fault: the
    // log is then unreadable, its samples standing.
    bool faulty_past_reading();
    // Releases the log and tells of its fault, if it had one, on `err`
    // as "PROGRAM: NAME: REASON". True when it had one.
    bool close(const char* program, std::string_view name, std::FILE* err = stderr);

private:
    // A text file that cannot be rewound (a pipe): its first bytes, read to
    // tell its format, given to the reader first, then the rest of it.
    struct Replay {
        std::FILE* source;
        std::string first_bytes;
        std::size_t given = 0;
    };
    static ssize_t replay(void* cookie, char* into, std::size_t size);
    static int close_replay(void* cookie);

    const CompressionFormat* format_ = nullptr;
    std::string refusal_;  // why a format the build does not read is not read
    std::unique_ptr<Replay> replay_;
    std::unique_ptr<Decompression> decompression_;
    // Last, so that it is closed first: the stream's close ends the thread
    // or the replay beneath it.
    std::optional<logformat::LogStream> stream_;
};
