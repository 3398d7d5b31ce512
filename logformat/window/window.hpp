#pragma once

// The window: the fast path of the reader. A record in its plain form is
// read whole from the kWindowBytes bytes at p: the first tag at once, every
// later one after ", " (a comma and one blank), every number plain. The
// digits of the window are classified 64 bytes at a time, by the kernel of
// the stream's instruction set, so where each number ends never waits for
// the number before it to be read.
//
// The window gives what the character rules give for the same text, or
// declines: it never consumes white space, reads no number that a decision
// changes (no inf or nan, nothing beyond the range of a field, no exponent
// mark without digits, no hexadecimal) and stores nothing the caller keeps
// when it declines.

#include "logformat/bytes/block_buffer.hpp"
#include "logformat/conversion/digits.hpp"
#include "logformat/conversion/plain_number.hpp"
#include "logformat/pattern.hpp"
#include "logformat/routes/kernels.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

namespace logformat {

// Room for a record of numbers as %e and %.9g write them, with signs:
// "L:1, CPU:-5.561211950e-01, B:-1.372942e+00, MCPU:-6.351109123e-01, P:100000".
inline constexpr int kWindowBytes = 128;
// The window is classified in two halves of 64 bytes, one 64-bit digit mask
// each, and compares text eight bytes at a time from any place inside it:
// with at least kWindowBytes of data at p, the padding keeps every load
// inside the buffer.
inline constexpr int kClassifiedBytes = 64;
static_assert(kWindowBytes == 2 * kClassifiedBytes, "two digit masks cover the window");
static_assert(BlockBuffer::kPadding >= 8, "an eight-byte comparison from the window's last byte");
static_assert(BlockBuffer::kPadding >= kWidestLoad, "a kernel's load from a digit inside the window");

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

// The digit mask from byte `at` of the window on, given the masks of its two
// halves: bit k tells whether p[at + k] is a digit, known for the bytes
// inside the window.
inline std::uint64_t digits_from(std::uint64_t low, std::uint64_t high, int at)
{
    return at < 64 ? (low >> at) | (high << 1 << (63 - at)) : high >> (at - 64);
}

// The longest plain numbers, with the byte after them that ends them: for a
// floating one, of 19 digits, as the shortest decimal of a double writes it
// ("-0.12345678901234567e-123"). A longer one that reaches past the first
// half has the second classified when it is declined, and is read again.
inline constexpr int kLongestPlainInteger = 1 + 8 + 1;
inline constexpr int kLongestPlainReal = 1 + 19 + 1 + 2 + 3 + 1;

// Reads the record at p into `fields` and returns its length, without the
// closing white space, or 0 when it declines; then some fields may have been
// stored, so the caller reads into a place it keeps only when the window
// reads the record. Needs kWindowBytes of data at p and a processor that
// offers `set`.
template <InstructionSet set, LogPattern pattern>
[[gnu::always_inline]] inline int read_window(const char* p, AppData& fields)
{
    // The second half is classified only for a record that reaches into it.
    const std::uint64_t low = Kernels<set>::digit_mask_64(p);
    std::uint64_t high = 0;
    bool high_classified = false;
    int at = 0;
    constexpr auto elements = elements_of(pattern);
    constexpr std::size_t count = elements.size();
#pragma GCC unroll 8
    for (std::size_t i = 0; i < count; ++i) {
        const Element& e = elements[i];
        if (!kPlainLeads[i].starts(p + at) || (at += kPlainLeads[i].length) >= kWindowBytes)
            return 0;
        std::uint64_t digits = low >> (at & 63);
        int room = kClassifiedBytes - at;
        if (at + (e.is_integer() ? kLongestPlainInteger : kLongestPlainReal) > kClassifiedBytes) {
            if (!high_classified) {
                high = Kernels<set>::digit_mask_64(p + kClassifiedBytes);
                high_classified = true;
            }
            digits = digits_from(low, high, at);
            room = std::min(64, kWindowBytes - at);
        }
        int n = 0;
        for (;;) {
            n = e.is_integer() ? plain_integer(p + at, digits, room, fields.*e.integer)
                               : plain_real<set>(p + at, digits, room, fields.*e.real);
            if (n != 0 || high_classified || e.is_integer())
                break;
            high = Kernels<set>::digit_mask_64(p + kClassifiedBytes);
            high_classified = true;
            digits = digits_from(low, high, at);
            room = std::min(64, kWindowBytes - at);
        }
        if (n == 0)
            return 0;
        at += n;
    }
    return at;
}

}  // namespace logformat
