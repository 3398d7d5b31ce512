#include "logformat/read_sample.hpp"

#include "logformat/digits.hpp"
#include "logformat/number.hpp"

#include <algorithm>
#include <bit>
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
//
// Matching follows these rules character by character, as the text streams
// through the buffer. Two shortcuts take the usual text faster and give the
// same result: a record in its usual form is read whole from a window of the
// buffer, and a number in its usual form is read whole at the cursor. Each
// declines, consuming nothing, where the text is anything else.

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

// The first byte at or after p that is no white space; the buffer's zero
// padding stops it at the end of the data at the latest.
const char* past_space(const char* p)
{
    while (is_space(static_cast<unsigned char>(*p)))
        ++p;
    return p;
}

// A text of at most eight bytes as one word, to compare in one step with
// the next bytes of the buffer (whose padding keeps eight bytes readable).
struct Word {
    std::uint64_t bytes = 0;
    std::uint64_t mask = 0;
    int length = 0;

    constexpr explicit Word(std::string_view text) : length(static_cast<int>(text.size()))
    {
        for (std::size_t i = 0; i < text.size(); ++i) {
            bytes |= std::uint64_t{static_cast<unsigned char>(text[i])} << (8 * i);
            mask |= std::uint64_t{0xFF} << (8 * i);
        }
    }

    bool starts(const char* p) const { return (load_eight(p) & mask) == bytes; }
};

// A tag of the pattern, alone and in its usual form after a comma and a blank.
struct Tag {
    std::string_view text;
    Word usual;
};

constexpr Word kL("L:");
constexpr Tag kCpu{"CPU:", Word(", CPU:")};
constexpr Tag kB{"B:", Word(", B:")};
constexpr Tag kMcpu{"MCPU:", Word(", MCPU:")};
constexpr Tag kP{"P:", Word(", P:")};

// Numbers in their usual form, read from the text at s given `digits`, whose
// bit k tells whether s[k] is a digit, known for the first `room` bytes.
// Each returns the length of the number, or 0 where the text is not in that
// form or may go on past the known bytes; then nothing is stored.

// A minus or nothing, then one to eight digits.
[[gnu::always_inline]] inline int usual_integer(const char* s, std::uint64_t digits, int room, std::int32_t& value)
{
    const int sign = *s == '-' ? 1 : 0;
    const int run = std::countr_one(digits >> sign);
    if (run == 0 || run > 8 || sign + run >= room)
        return 0;
    const auto magnitude = static_cast<std::int32_t>(run == 1 ? s[sign] - '0' : digits_value(load_eight(s + sign), run));
    value = sign != 0 ? -magnitude : magnitude;
    return sign + run;
}

// A minus or nothing, up to eight digits, then a full stop and more digits,
// at most fifteen digits and at least one in all; no exponent; and a value
// that the fast conversion settles.
[[gnu::always_inline]] inline int usual_real(const char* s, std::uint64_t digits, int room, float& value)
{
    constexpr int kMostDigits = 15;  // below 2^53, for the fast conversion
    const int sign = *s == '-' ? 1 : 0;
    const int whole = std::countr_one(digits >> sign);
    if (whole > 8)
        return 0;
    int i = sign + whole;
    int fraction = 0;
    std::uint64_t mantissa = 0;
    if (i < room && s[i] == '.') {
        fraction = std::countr_one(digits >> (i + 1));
        if (whole + fraction == 0 || whole + fraction > kMostDigits)
            return 0;
        mantissa = digits_around_point(s + sign, whole, s + i + 1, fraction);
        i += 1 + fraction;
    } else if (whole > 0) {
        mantissa = digits_value(load_eight(s + sign), whole);
    } else {
        return 0;
    }
    float magnitude = 0;
    if (i >= room || (s[i] | 0x20) == 'e' || !to_float_fast(mantissa, -fraction, magnitude))
        return 0;
    value = sign != 0 ? -magnitude : magnitude;
    return i;
}

// A record in its usual form, read from a window of the buffer: each tag
// after a comma and one blank, each number in its usual form. The digits of
// the whole window are classified at once, so where each number ends never
// waits for the number before it to be read.
struct Window {
    static constexpr int kSize = 64;

    const char* p;
    std::uint64_t digits = digit_mask(p, kSize / 16);
    int at = 0;

    bool integer(const Word& tag, std::int32_t& field)
    {
        if (!tag.starts(p + at) || (at += tag.length) >= kSize)
            return false;
        const int n = usual_integer(p + at, digits >> at, kSize - at, field);
        at += n;
        return n > 0;
    }

    bool real(const Word& tag, float& field)
    {
        if (!tag.starts(p + at) || (at += tag.length) >= kSize)
            return false;
        const int n = usual_real(p + at, digits >> at, kSize - at, field);
        at += n;
        return n > 0;
    }

    // The whole record; on declining, some fields may have been stored.
    bool record(LogPattern pattern, AppData& fields)
    {
        return integer(kL, fields.L) && real(kCpu.usual, fields.CPU) && real(kB.usual, fields.B) &&
               real(kMcpu.usual, fields.MCPU) && (pattern == LogPattern::Short || integer(kP.usual, fields.P));
    }
};

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

    void skip_space()
    {
        for (;;) {
            p = past_space(p);
            if (p != end || !refill())
                return;
        }
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

    // ",", the blank of the pattern, then the tag.
    bool separator(const Tag& tag)
    {
        if (tag.usual.starts(p)) {
            p += tag.usual.length;
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

    // How many bytes at the cursor the usual forms may look at: sixteen, or
    // fewer near the end of the data.
    int room() const { return static_cast<int>(std::min<std::ptrdiff_t>(end - p, 16)); }

    // "%d". A number outside the signed 32-bit range is no number for the
    // field: its digits are consumed, nothing is stored, the match ends.
    bool integer(std::int32_t& field)
    {
        if (const int n = usual_integer(p, digit_mask(p, 1), room(), field); n > 0) {
            p += n;
            ++stored;
            return true;
        }
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

    // "%f", stored at single precision.
    bool real(float& field)
    {
        if (const int n = usual_real(p, digit_mask(p, 1), room(), field); n > 0) {
            p += n;
            ++stored;
            return true;
        }
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
    const int fields_of_pattern = pattern == LogPattern::Full ? 5 : 4;
    // A record in its usual form, whole inside the buffer, with the closing
    // white space ending inside it too: the common case, taken first.
    if (const char* p = stream.data(); stream.data_end() - p >= Window::kSize) {
        Window w{p};
        AppData fields = record;
        if (w.record(pattern, fields)) {
            const char* next = past_space(p + w.at);
            if (next != stream.data_end()) {
                stream.consume(next);
                record = fields;
                return fields_of_pattern;
            }
        }
    }

    // Fields go into a copy first, so that a read cut short by a read fault
    // leaves the caller's record as it was.
    AppData fields = record;
    Match m{&stream};
    bool complete = m.literal("L:") && m.integer(fields.L) && m.separator(kCpu) && m.real(fields.CPU) &&
                    m.separator(kB) && m.real(fields.B) && m.separator(kMcpu) && m.real(fields.MCPU);
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
