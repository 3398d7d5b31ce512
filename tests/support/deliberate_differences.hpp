#pragma once

// Where the reader differs from the C library's fscanf on purpose: a
// floating number that begins with a partial spelling of inf, infinity or
// nan, a hexadecimal floating number, and an integer outside 32 bits. Such
// text is only ever read by the conversion that follows a colon of the
// pattern, so the first such colon bounds a comparison of the two readers.
// Shared by the differential tests and the fuzz target.

#include <cstddef>
#include <cstdint>
#include <string_view>

inline constexpr bool is_c_space(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

inline constexpr char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool begins_with_word(std::string_view text, std::size_t at, std::string_view word)
{
    if (text.size() - at < word.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (lower(text[at + i]) != word[i])
            return false;
    return true;
}

// True when the integer text at `at` ([+-]digits, white space skipped
// before) has digits and lies outside the signed 32-bit range.
inline bool integer_out_of_range(std::string_view text, std::size_t at)
{
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        negative = text[at++] == '-';
    constexpr std::uint64_t kLimit = std::uint64_t{1} << 31;
    std::uint64_t magnitude = 0;
    bool any_digit = false;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        any_digit = true;
        if (magnitude <= kLimit)
            magnitude = magnitude * 10 + static_cast<std::uint64_t>(text[at] - '0');
    }
    return any_digit && magnitude > (negative ? kLimit : kLimit - 1);
}

// True when the floating text at `at` (white space skipped before) is one
// the reader reads otherwise on purpose: a hexadecimal prefix, or a letter
// that begins inf, infinity or nan without completing a word that both
// readers take alike ("inf" followed by another i would be infinity's).
inline bool floating_read_otherwise(std::string_view text, std::size_t at)
{
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        ++at;
    if (at >= text.size())
        return false;
    const char c = lower(text[at]);
    if (c == '0')
        return at + 1 < text.size() && lower(text[at + 1]) == 'x';
    if (c != 'i' && c != 'n')
        return false;
    if (begins_with_word(text, at, "nan") || begins_with_word(text, at, "infinity"))
        return false;
    if (begins_with_word(text, at, "inf"))
        return at + 3 < text.size() && lower(text[at + 3]) == 'i';
    return true;
}

// The offset of the first colon of the log after which the pattern's
// conversion would meet text that the reader reads otherwise on purpose, or
// the size of the log if there is none. A colon of the pattern always follows
// its tag's last letter: L and P precede an integer, U (CPU, MCPU) and B a
// floating number; no other colon is ever followed by a conversion.
inline std::size_t first_deliberate_difference(std::string_view text)
{
    for (std::size_t colon = 1; colon < text.size(); ++colon) {
        if (text[colon] != ':')
            continue;
        const char tag = text[colon - 1];
        std::size_t at = colon + 1;
        while (at < text.size() && is_c_space(text[at]))
            ++at;
        if ((tag == 'L' || tag == 'P') && integer_out_of_range(text, at))
            return colon;
        if ((tag == 'U' || tag == 'B') && floating_read_otherwise(text, at))
            return colon;
    }
    return text.size();
}
