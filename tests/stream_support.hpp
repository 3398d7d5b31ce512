#pragma once

#include "logformat/log_stream.hpp"

#include <cstdio>
#include <string>

// An in-memory log: the bytes of `text`, read `block` bytes at a time. The
// text must outlive the stream.
inline std::FILE* open_text(const std::string& text)
{
    return fmemopen(const_cast<char*>(text.data()), text.size(), "r");
}

inline LogStream text_stream(const std::string& text, std::size_t block = LogStream::kBlockSize)
{
    return LogStream(open_text(text), block);
}

// Block sizes that put the end of a block at every place of a short record.
inline constexpr std::size_t kBlockSizes[] = {1, 2, 3, 5, 7, 16, LogStream::kBlockSize};
