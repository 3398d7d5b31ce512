#pragma once

// The window: the fast path of the reader. A record in its plain form is
// read whole from the kWindowBytes bytes at p: the first tag at once, every
// later one after ", " (a comma and one blank), every number plain. The
// digits of the whole window are classified at once, so where each number
// ends never waits for the number before it to be read.
//
// The window gives what the character rules give for the same text, or
// declines: it never consumes white space, reads no number that a decision
// changes (no exponent, no inf or nan, nothing beyond the range of a field)
// and stores nothing the caller keeps when it declines.

#include "logformat/digits.hpp"
#include "logformat/log_stream.hpp"
#include "logformat/pattern.hpp"
#include "logformat/plain_number.hpp"

#include <array>
#include <cstdint>
#include <string_view>

inline constexpr int kWindowBytes = 64;
// The window classifies its bytes in 16-byte chunks and compares text eight
// bytes at a time from any place inside it: with at least kWindowBytes of
// data at p, the padding keeps every load inside the buffer.
static_assert(kWindowBytes % 16 == 0 && kWindowBytes <= 64, "one 64-bit digit mask covers the window");
static_assert(LogStream::kPadding >= 8, "an eight-byte comparison from the window's last byte");

// A text of at most eight bytes, compared in one step with the next eight
// bytes of the buffer.
struct EightBytes {
    std::uint64_t bytes = 0;
    std::uint64_t mask = 0;
    int length = 0;

    constexpr EightBytes() = default;
    constexpr EightBytes(std::string_view first, std::string_view second)
    {
        for (const char c : first)
            add(c);
        for (const char c : second)
            add(c);
    }

    bool starts(const char* p) const { return (load_eight(p) & mask) == bytes; }

private:
    constexpr void add(char c)
    {
        bytes |= std::uint64_t{static_cast<unsigned char>(c)} << (8 * length);
        mask |= std::uint64_t{0xFF} << (8 * length);
        ++length;
    }
};

// What comes before each element's number in the plain form: "L:", ", CPU:", ...
constexpr std::string_view plain_separator(std::size_t element)
{
    return element == 0 ? "" : ", ";
}

constexpr bool plain_leads_fit()
{
    for (std::size_t i = 0; i < kMostElements; ++i)
        if (plain_separator(i).size() + kElements[i].tag.size() > 8)
            return false;
    return true;
}
static_assert(plain_leads_fit(), "every tag, with its separator, fits one eight-byte comparison");

inline constexpr std::array<EightBytes, kMostElements> kPlainLeads = [] {
    std::array<EightBytes, kMostElements> leads{};
    for (std::size_t i = 0; i < kMostElements; ++i)
        leads[i] = EightBytes(plain_separator(i), kElements[i].tag);
    return leads;
}();

// Reads the record at p into `fields` and returns its length, without the
// closing white space, or 0 when it declines; then some fields may have been
// stored, so the caller reads into a copy. Needs kWindowBytes of data at p.
[[gnu::always_inline]] inline int read_window(const char* p, LogPattern pattern, AppData& fields)
{
    const std::uint64_t digits = digit_mask(p, kWindowBytes / 16);
    int at = 0;
    const auto elements = elements_of(pattern);
#pragma GCC unroll 8
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const Element& e = elements[i];
        if (!kPlainLeads[i].starts(p + at) || (at += kPlainLeads[i].length) >= kWindowBytes)
            return 0;
        const int n = e.is_integer() ? plain_integer(p + at, digits >> at, kWindowBytes - at, fields.*e.integer)
                                     : plain_real(p + at, digits >> at, kWindowBytes - at, fields.*e.real);
        if (n == 0)
            return 0;
        at += n;
    }
    return at;
}
