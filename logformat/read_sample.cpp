#include "logformat/read_sample.hpp"

#include "logformat/number.hpp"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string_view>

// The rules of the line format, each in one place:
//  - A literal of the pattern ("L", ":", ",", "CPU", ...) must equal the next
//    character exactly; no white space is skipped before it.
//  - The blank after each comma, and the closing newline, match any run of
//    white space, none included: blank, tab, newline, vertical tab, form feed
//    and carriage return.
//  - A number conversion skips white space, then reads the longest text that
//    forms a number: an integer is [+-]digits; a floating number is
//    [+-]digits with at most one full stop, then e[+-]digits, or one of the
//    words inf, infinity and nan in any case.
//  - The first character that cannot continue the match is left unread.
//  - End of input before the first stored field makes the result -1.

namespace {

constexpr int kEnd = LogStream::kEnd;

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

// The state of one read: how many fields it stored so far and whether it met
// the end of the input where it needed a character.
struct Match {
    LogStream& in;
    int stored = 0;
    bool ended = false;

    void skip_space()
    {
        while (is_space(in.peek()))
            in.advance();
    }

    bool literal(std::string_view text)
    {
        for (const char expected : text) {
            const int c = in.peek();
            if (c == kEnd) {
                ended = true;
                return false;
            }
            if (c != expected)
                return false;
            in.advance();
        }
        return true;
    }

    // The blank of the pattern after a comma.
    bool blank()
    {
        skip_space();
        return true;
    }

    // White space, then the first character of a number; false at the end.
    bool start_number()
    {
        skip_space();
        if (in.peek() == kEnd) {
            ended = true;
            return false;
        }
        return true;
    }

    // A sign, if there is one; true when it is a minus.
    bool sign()
    {
        const int c = in.peek();
        if (c != '+' && c != '-')
            return false;
        in.advance();
        return c == '-';
    }

    // "%d". A number outside the signed 32-bit range is no number for the
    // field: its digits are consumed, nothing is stored, the match ends.
    bool integer(std::int32_t& field)
    {
        if (!start_number())
            return false;
        const bool negative = sign();
        if (!is_digit(in.peek()))
            return false;
        constexpr std::int64_t kLimit = std::int64_t{1} << 31;
        std::int64_t magnitude = 0;
        for (int c = in.peek(); is_digit(c); c = in.peek()) {
            if (magnitude <= kLimit)
                magnitude = magnitude * 10 + (c - '0');
            in.advance();
        }
        if (magnitude > (negative ? kLimit : kLimit - 1))
            return false;
        field = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
        ++stored;
        return true;
    }

    // "%f", stored at single precision.
    bool real(float& field)
    {
        if (!start_number())
            return false;
        Decimal number;
        number.negative = sign();
        const int first = lower(in.peek());
        if (first == 'i' || first == 'n')
            return word(number.negative, field);

        bool any_digit = false;
        bool seen_point = false;
        for (int c = in.peek();; c = in.peek()) {
            if (is_digit(c)) {
                if (seen_point)
                    number.add_fraction_digit(c - '0');
                else
                    number.add_integer_digit(c - '0');
                any_digit = true;
            } else if (c == '.' && !seen_point) {
                seen_point = true;
            } else {
                break;
            }
            in.advance();
        }
        if (!any_digit)
            return false;
        // An exponent mark, and its sign, belong to the number even when no
        // digit follows them; the value is then the number before the mark.
        if (lower(in.peek()) == 'e') {
            in.advance();
            number.negative_exponent = sign();
            for (int c = in.peek(); is_digit(c); c = in.peek()) {
                number.add_exponent_digit(c - '0');
                in.advance();
            }
        }
        field = to_float(number);
        ++stored;
        return true;
    }

    // infinity, inf or nan, the longest that the input begins with; the rest
    // of the text is left unread. Text that begins none of them is no number:
    // the letters that could still have begun one are consumed, as a lone
    // sign is, and the first that cannot is left unread.
    bool word(bool negative, float& field)
    {
        constexpr std::string_view kWords[] = {"infinity", "inf", "nan"};
        std::size_t longest_prefix = 0;
        for (const std::string_view w : kWords) {
            std::size_t n = 0;
            while (n < w.size() && lower(in.peek_at(n)) == w[n])
                ++n;
            if (n == w.size()) {
                for (std::size_t i = 0; i < n; ++i)
                    in.advance();
                const float value = w[0] == 'n' ? std::numeric_limits<float>::quiet_NaN()
                                                : std::numeric_limits<float>::infinity();
                field = negative ? -value : value;
                ++stored;
                return true;
            }
            longest_prefix = std::max(longest_prefix, n);
        }
        for (std::size_t i = 0; i < longest_prefix; ++i)
            in.advance();
        return false;
    }
};

}  // namespace

int read_sample(LogStream& stream, const LogPattern pattern, AppData& record)
{
    // Fields go into a copy first, so that a read cut short by a read fault
    // leaves the caller's record as it was.
    AppData fields = record;
    Match m{stream};
    bool complete = m.literal("L:") && m.integer(fields.L) && m.literal(",") && m.blank()
                    && m.literal("CPU:") && m.real(fields.CPU) && m.literal(",") && m.blank()
                    && m.literal("B:") && m.real(fields.B) && m.literal(",") && m.blank()
                    && m.literal("MCPU:") && m.real(fields.MCPU);
    if (pattern == LogPattern::Full)
        complete = complete && m.literal(",") && m.blank() && m.literal("P:") && m.integer(fields.P);
    if (stream.error() != 0)
        return -1;
    if (complete)
        m.skip_space();  // the closing newline of the pattern
    record = fields;
    return m.ended && m.stored == 0 ? -1 : m.stored;
}
