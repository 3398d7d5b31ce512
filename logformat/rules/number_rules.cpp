#include "logformat/rules/number_rules.hpp"

#include "logformat/conversion/to_float.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <string_view>

namespace logformat {

// The window and the batches convert only through the fast conversion, whose
// bounds keep every number with a significant digit a normal float: a
// number written non-zero that reads as 0 is always read here, by the
// character rules, which note it.
static_assert(1 / kPowersOfTen[kFastPowerLimit] > std::numeric_limits<float>::min(),
              "the fast conversion never rounds a number written non-zero to 0");

namespace {

// The words a floating number may be, longest first where one begins another.
constexpr std::string_view kWords[] = {"infinity", "inf", "nan"};
static_assert(std::ranges::all_of(kWords, [](std::string_view w) { return w.size() <= BlockBuffer::kLookahead; }),
              "a word is matched by looking ahead of the cursor");

// Passes the white space before a number; false at the end of the input.
bool start_number(Cursor& c)
{
    c.skip_space();
    if (c.p == c.end) {
        c.ended = true;
        return false;
    }
    return true;
}

// A sign, if there is one: '+', '-', or 0 for none.
char sign(Cursor& c)
{
    const int s = c.peek();
    if (s != '+' && s != '-')
        return 0;
    ++c.p;
    return static_cast<char>(s);
}

// No number where one began at `start`, after `consumed` had been read.
NumberRead no_number(const Cursor& c, ReadNotes* notes, std::uint64_t start, std::string consumed,
                     bool out_of_range = false)
{
    if (notes != nullptr) {
        notes->stop.at = c.in->position_of(start);
        notes->stop.consumed = std::move(consumed);
        notes->stop.out_of_range = out_of_range;
    }
    return {c, false};
}

void note_value(Cursor& c, ReadNotes* notes, Change change, std::size_t element, float value, std::uint64_t start)
{
    if (notes != nullptr)
        notes->add({change, element, value, c.in->position_of(start)});
}

std::string text_of(char sign_char)
{
    return sign_char != 0 ? std::string(1, sign_char) : std::string();
}

// infinity, inf or nan, the longest that the input begins with; the rest of
// the text is left unread. Text that begins none of them is no number: the
// letters that could still have begun one are read, as a lone sign is, and
// the first that cannot is left unread.
NumberRead word(Cursor c, char sign_char, float& field, ReadNotes* notes, std::size_t element, std::uint64_t start)
{
    std::size_t longest_prefix = 0;
    for (const std::string_view w : kWords) {
        std::size_t n = 0;
        while (n < w.size() && lower(c.peek_at(n)) == w[n])
            ++n;
        if (n == w.size()) {
            c.p += n;
            const float value =
                w[0] == 'n' ? std::numeric_limits<float>::quiet_NaN() : std::numeric_limits<float>::infinity();
            field = sign_char == '-' ? -value : value;
            note_value(c, notes, Change::InfinityOrNan, element, field, start);
            return {c, true};
        }
        longest_prefix = std::max(longest_prefix, n);
    }
    const std::string letters(c.p, longest_prefix);
    c.p += longest_prefix;
    return no_number(c, notes, start, text_of(sign_char) + letters);
}

}  // namespace

NumberRead integer_by_rules(Cursor c, std::int32_t& field, ReadNotes* notes)
{
    if (!start_number(c))
        return no_number(c, notes, c.offset(), "");
    const std::uint64_t start = c.offset();
    const char sign_char = sign(c);
    if (!is_digit(c.peek()))
        return no_number(c, notes, start, text_of(sign_char));
    constexpr std::int64_t kLimit = std::int64_t{1} << 31;
    std::int64_t magnitude = 0;
    for (int d = c.peek(); is_digit(d); d = c.peek()) {
        if (magnitude <= kLimit)
            magnitude = magnitude * 10 + (d - '0');
        ++c.p;
    }
    const bool negative = sign_char == '-';
    if (magnitude > (negative ? kLimit : kLimit - 1))
        return no_number(c, notes, start, "", true);
    field = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
    return {c, true};
}

NumberRead real_by_rules(Cursor c, float& field, ReadNotes* notes, std::size_t element)
{
    if (!start_number(c))
        return no_number(c, notes, c.offset(), "");
    const std::uint64_t start = c.offset();
    const char sign_char = sign(c);
    const int first = lower(c.peek());
    if (first == 'i' || first == 'n')
        return word(c, sign_char, field, notes, element, start);

    Decimal number;
    number.negative = sign_char == '-';
    bool any_digit = false;
    bool seen_point = false;
    for (int d = c.peek();; d = c.peek()) {
        if (is_digit(d)) {
            if (seen_point)
                number.add_fraction_digit(d - '0');
            else
                number.add_integer_digit(d - '0');
            any_digit = true;
        } else if (d == '.' && !seen_point) {
            seen_point = true;
        } else {
            break;
        }
        ++c.p;
    }
    if (!any_digit)
        return no_number(c, notes, start, text_of(sign_char) + (seen_point ? "." : ""));
    // "0x": a sign or none, one zero, then the x; the number is the zero.
    const bool hexadecimal =
        !seen_point && number.count == 0 && lower(c.peek()) == 'x' && c.offset() - start == (sign_char != 0 ? 2U : 1U);
    // An exponent mark, and its sign, belong to the number even when no
    // digit follows them; the value is then the number before the mark.
    bool exponent_digits = true;
    if (lower(c.peek()) == 'e') {
        ++c.p;
        number.negative_exponent = sign(c) == '-';
        exponent_digits = is_digit(c.peek());
        for (int d = c.peek(); is_digit(d); d = c.peek()) {
            number.add_exponent_digit(d - '0');
            ++c.p;
        }
    }
    field = to_float(number);
    // One note a number, the change that matters most.
    if (std::isinf(field))
        note_value(c, notes, Change::BeyondFloat, element, field, start);
    else if (!exponent_digits)
        note_value(c, notes, Change::ExponentWithoutDigits, element, field, start);
    else if (hexadecimal)
        note_value(c, notes, Change::Hexadecimal, element, field, start);
    else if (field == 0 && number.count > 0)  // a significant digit, and yet 0
        note_value(c, notes, Change::ReadsAsZero, element, field, start);
    return {c, true};
}

}  // namespace logformat
