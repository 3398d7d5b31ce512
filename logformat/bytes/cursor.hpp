#pragma once

// The cursor of the character rules over the stream's block buffer: the
// next byte, a byte further ahead, white space passed over, a literal text
// matched. It holds its own copy of the position, which the compiler keeps
// in registers; the buffer sees it again only to refill and when the cursor
// is released at the end of a read.
//
// It reads the bytes of [p, end) and the stream's zero padding behind them,
// so a scan for something that is not a zero byte stops at end at the latest.

#include "logformat/bytes/block_buffer.hpp"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace logformat {

constexpr bool is_space(int c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

constexpr bool is_digit(int c)
{
    return c >= '0' && c <= '9';
}

constexpr int lower(int c)
{
    return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
}

// The first byte at or after p that is no white space; the zero padding
// stops it at the end of the data at the latest.
inline const char* past_space(const char* p)
{
    while (is_space(static_cast<unsigned char>(*p)))
        ++p;
    return p;
}

struct Cursor {
    BlockBuffer* in;
    const char* p = in->data();
    const char* end = in->data_end();
    bool ended = false;  // the match needed a byte where the input ended

    // The next byte, or BlockBuffer::kEnd at the end of the log.
    int peek()
    {
        if (p != end) [[likely]]
            return static_cast<unsigned char>(*p);
        return refill() ? static_cast<unsigned char>(*p) : BlockBuffer::kEnd;
    }

    // Hands the position to the stream, which reads one more block.
    bool refill()
    {
        in->consume(p);
        const bool more = in->refill();
        p = in->data();
        end = in->data_end();
        return more;
    }

    // The byte `distance` places after the next one, or BlockBuffer::kEnd.
    int peek_at(std::size_t distance)
    {
        if (static_cast<std::size_t>(end - p) > distance)
            return static_cast<unsigned char>(p[distance]);
        in->consume(p);
        const int c = in->peek_at(distance);
        p = in->data();
        end = in->data_end();
        return c;
    }

    // Passes over any run of white space, line ends included.
    void skip_space()
    {
        for (;;) {
            p = past_space(p);
            if (p != end || !refill())
                return;
        }
    }

    // Matches `text` byte for byte and returns how many bytes matched; all of
    // them is a match. Stops at the first byte that differs, left unread.
    std::size_t literal(std::string_view text)
    {
        for (std::size_t i = 0; i < text.size(); ++i) {
            const int c = peek();
            if (c == BlockBuffer::kEnd)
                ended = true;
            if (c != static_cast<unsigned char>(text[i]))
                return i;
            ++p;
        }
        return text.size();
    }

    // How many bytes at the cursor a plain number may look at: sixteen, or
    // fewer near the end of the data.
    int room() const { return end - p < 16 ? static_cast<int>(end - p) : 16; }

    std::uint64_t offset() const { return in->offset_of(p); }

    // Hands the position back to the stream: the next read starts there.
    void release() { in->consume(p); }
};

}  // namespace logformat
