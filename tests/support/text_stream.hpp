#pragma once

// In-memory logs for the tests, the benchmarks and the fuzz target: a string
// read as a stream, in blocks of any size, and a log whose reading fails part
// way as a disk error would.

#include "logformat/log_stream.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>
#include <sys/types.h>

// A read-only stream over the bytes of `text`, which must outlive it.
inline std::FILE* open_text(const std::string& text)
{
    return fmemopen(const_cast<char*>(text.data()), text.size(), "r");
}

// The log `text`, read `block` bytes at a time with the instruction set `set`.
inline logformat::LogStream text_stream(const std::string& text, std::size_t block = logformat::BlockBuffer::kBlockSize,
                                        logformat::InstructionSet set = logformat::widest_offered())
{
    return logformat::LogStream(open_text(text), block, set);
}

// Block sizes that put the end of a block at every place of a short record.
inline constexpr std::size_t kBlockSizes[] = {1, 2, 3, 5, 7, 16, logformat::BlockBuffer::kBlockSize};

// A log whose reads fail once `limit` bytes of `text` have been read,
// setting errno to `error`, or leaving it as it was if that is 0.
struct FailingLog {
    std::string text;
    std::size_t limit;
    int error = EIO;
    std::size_t at = 0;
};

// A stream over `log`, which must outlive it.
inline std::FILE* open_failing(FailingLog& log)
{
    cookie_io_functions_t io{};
    io.read = [](void* cookie, char* buf, std::size_t size) -> ssize_t {
        auto& failing = *static_cast<FailingLog*>(cookie);
        if (failing.at >= failing.limit) {
            if (failing.error != 0)
                errno = failing.error;
            return -1;
        }
        const std::size_t n = std::min(size, failing.limit - failing.at);
        failing.text.copy(buf, n, failing.at);
        failing.at += n;
        return static_cast<ssize_t>(n);
    };
    return fopencookie(&log, "r", io);
}
