#include "logformat/read_sample.hpp"

#include "logformat/digits.hpp"
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

// A text of at most eight bytes as one word, to compare in one step with
// the next bytes of the buffer (whose padding keeps eight bytes readable).
struct Word {
    std::uint64_t bytes = 0;
    std::uint64_t mask = 0;
    std::size_t length = 0;

    constexpr explicit Word(std::string_view text) : length(text.size())
    {
        for (std::size_t i = 0; i < text.size(); ++i) {
            bytes |= std::uint64_t{static_cast<unsigned char>(text[i])} << (8 * i);
            mask |= std::uint64_t{0xFF} << (8 * i);
        }
    }

    bool starts(const char* p) const { return (load_eight(p) & mask) == bytes; }
};

// A tag of the pattern, alone and in its usual form after a comma and a blank.
struct Text {
    std::string_view text;
    Word spaced;
};

constexpr Text kCpu{"CPU:", Word(", CPU:")};
constexpr Text kB{"B:", Word(", B:")};
constexpr Text kMcpu{"MCPU:", Word(", MCPU:")};
constexpr Text kP{"P:", Word(", P:")};
constexpr Word kL("L:");

// Where the general number path leaves the cursor, and whether it stored.
struct LongRead {
    const char* p;
    const char* end;
    bool stored;
};

LongRead read_long_real(LogStream* in, const char* p, const char* end, float& field);

// One read: a cursor over the stream's buffer, the number of fields stored so
// far, and whether the match met the end of the input where it needed a
// character. The cursor goes back to the stream only to refill the buffer.
struct Match {
    LogStream* in;
    const char* p = in->data();
    const char* end = in->data_end();
    int stored = 0;
    bool ended = false;

    // The next byte, or kEnd at the end of the log.
    int peek()
    {
        if (p != end) [[likely]]
            return static_cast<unsigned char>(*p);
        return refill() ? static_cast<unsigned char>(*p) : kEnd;
    }

    bool refill()
    {
        in->consume(p);
        const bool more = in->refill();
        p = in->data();
        end = in->data_end();
        return more;
    }

    // The byte `ahead` places after the next one, or kEnd.
    int peek_at(std::size_t ahead)
    {
        if (static_cast<std::size_t>(end - p) > ahead)
            return static_cast<unsigned char>(p[ahead]);
        in->consume(p);
        const int c = in->peek_at(ahead);
        p = in->data();
        end = in->data_end();
        return c;
    }

    // The buffer's zero padding stops the inner loop at the end of the data.
    void skip_space()
    {
        for (;;) {
            while (is_space(static_cast<unsigned char>(*p)))
                ++p;
            if (p != end || !refill())
                return;
        }
    }

    // "L:", the start of a record.
    bool tag_l()
    {
        if (kL.starts(p)) {
            p += kL.length;
            return true;
        }
        return literal("L:");
    }

    bool literal(std::string_view text)
    {
        for (const char expected : text) {
            const int c = peek();
            if (c == kEnd) {
                ended = true;
                return false;
            }
            if (c != expected)
                return false;
            ++p;
        }
        return true;
    }

    // ",", the blank of the pattern, then the next tag. The blank matches any
    // run of white space; a single blank, by far the most common, is taken
    // with the rest in one comparison.
    bool separator(const Text& tag)
    {
        if (tag.spaced.starts(p)) {
            p += tag.spaced.length;
            return true;
        }
        if (!literal(","))
            return false;
        skip_space();
        return literal(tag.text);
    }

    // White space, then the first character of a number; false at the end.
    bool start_number()
    {
        skip_space();
        if (p == end) {
            ended = true;
            return false;
        }
        return true;
    }

    // A sign, if there is one; true when it is a minus.
    bool sign()
    {
        const int c = peek();
        if (c != '+' && c != '-')
            return false;
        ++p;
        return c == '-';
    }

    // "%d". A number outside the signed 32-bit range is no number for the
    // field: its digits are consumed, nothing is stored, the match ends.
    bool integer(std::int32_t& field)
    {
        if (short_integer(field))
            return true;
        if (!start_number())
            return false;
        const bool negative = sign();
        if (!is_digit(peek()))
            return false;
        constexpr std::int64_t kLimit = std::int64_t{1} << 31;
        std::int64_t magnitude = 0;
        for (int c = peek(); is_digit(c); c = peek()) {
            if (magnitude <= kLimit)
                magnitude = magnitude * 10 + (c - '0');
            ++p;
        }
        if (magnitude > (negative ? kLimit : kLimit - 1))
            return false;
        field = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
        ++stored;
        return true;
    }

    // The usual integer, right at the cursor and all inside the buffer: a sign
    // and up to seven digits. False, consuming nothing, for anything else
    // (white space before it included), which the general rule then reads.
    bool short_integer(std::int32_t& field)
    {
        const char* q = p;
        const bool negative = *q == '-';
        if (negative || *q == '+')
            ++q;
        const std::uint64_t chunk = load_eight(q);
        const int digits = leading_digits(chunk);
        q += digits;
        if (digits == 0 || digits == 8 || q == end)
            return false;
        const auto value = static_cast<std::int32_t>(digits_value(chunk, digits));
        field = negative ? -value : value;
        p = q;
        ++stored;
        return true;
    }

    // "%f", stored at single precision.
    bool real(float& field)
    {
        if (short_real(field))
            return true;
        if (!start_number())
            return false;
        // The general path gets the cursor and hands it back, so that this
        // object is never needed in memory on the common path.
        const LongRead r = read_long_real(in, p, end, field);
        p = r.p;
        end = r.end;
        stored += r.stored ? 1 : 0;
        return r.stored;
    }

    // The usual floating number, right at the cursor and all inside the
    // buffer: a sign, up to seven digits, and a full stop with up to seven
    // more; no exponent; a value that the fast conversion settles. False,
    // consuming nothing, for anything else (white space before it included),
    // which the general rule then reads. Both digit runs come from one
    // sixteen-byte window, so that neither load waits for the other.
    bool short_real(float& field)
    {
        const char* q = p;
        const bool negative = *q == '-';
        if (negative || *q == '+')
            ++q;
        const std::uint64_t low = load_eight(q);
        const std::uint64_t high = load_eight(q + 8);
        const int whole = leading_digits(low);
        if (whole == 8)
            return false;
        std::uint64_t mantissa = 0;
        int fraction = 0;
        if (byte_at(low, whole) == '.') {
            const std::uint64_t after_point = bytes_after(low, high, whole + 1);
            fraction = leading_digits(after_point);
            if (fraction == 8)
                return false;
            mantissa = digits_around_point(low, whole, after_point, fraction);
            q += 1;
        } else {
            mantissa = digits_value(low, whole);
        }
        q += whole + fraction;
        float value = 0;
        if (whole + fraction == 0 || q == end || lower(static_cast<unsigned char>(*q)) == 'e' ||
            !to_float_fast(mantissa, -fraction, value))
            return false;
        field = negative ? -value : value;
        p = q;
        ++stored;
        return true;
    }

    // Any floating number, read as it streams in, of any length.
    bool long_real(float& field)
    {
        Decimal number;
        number.negative = sign();
        const int first = lower(peek());
        if (first == 'i' || first == 'n')
            return word(number.negative, field);

        bool any_digit = false;
        bool seen_point = false;
        for (int c = peek();; c = peek()) {
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
            ++p;
        }
        if (!any_digit)
            return false;
        // An exponent mark, and its sign, belong to the number even when no
        // digit follows them; the value is then the number before the mark.
        if (lower(peek()) == 'e') {
            ++p;
            number.negative_exponent = sign();
            for (int c = peek(); is_digit(c); c = peek()) {
                number.add_exponent_digit(c - '0');
                ++p;
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
            while (n < w.size() && lower(peek_at(n)) == w[n])
                ++n;
            if (n == w.size()) {
                p += n;
                const float value = w[0] == 'n' ? std::numeric_limits<float>::quiet_NaN()
                                                : std::numeric_limits<float>::infinity();
                field = negative ? -value : value;
                ++stored;
                return true;
            }
            longest_prefix = std::max(longest_prefix, n);
        }
        p += longest_prefix;
        return false;
    }
};

// Kept out of line: it is rare, and inlined it would crowd the common path.
[[gnu::noinline]] LongRead read_long_real(LogStream* in, const char* p, const char* end, float& field)
{
    Match m{in, p, end};
    const bool stored = m.long_real(field);
    return {m.p, m.end, stored};
}

}  // namespace

int read_sample(LogStream& stream, const LogPattern pattern, AppData& record)
{
    // Fields go into a copy first, so that a read cut short by a read fault
    // leaves the caller's record as it was.
    AppData fields = record;
    Match m{&stream};
    bool complete = m.tag_l() && m.integer(fields.L) && m.separator(kCpu) && m.real(fields.CPU) && m.separator(kB) &&
                    m.real(fields.B) && m.separator(kMcpu) && m.real(fields.MCPU);
    if (pattern == LogPattern::Full)
        complete = complete && m.separator(kP) && m.integer(fields.P);
    if (stream.error() != 0)
        return -1;
    if (complete)
        m.skip_space();  // the closing newline of the pattern
    stream.consume(m.p);
    record = fields;
    return m.ended && m.stored == 0 ? -1 : m.stored;
}
