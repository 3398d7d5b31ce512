#pragma once

// The reader's case table, its form: each case an input and, for every
// read, the result, the record after it and where the next read starts; and
// the cases generated for the window's chunks. reader_test.cpp holds the
// table itself.

#include "logformat/app_data.hpp"
#include "logformat/pattern.hpp"
#include "tests/support/records.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace reader_cases {

using namespace logformat;

inline constexpr LogPattern F = LogPattern::Full;
inline constexpr LogPattern S = LogPattern::Short;

// The record before the first read: fields no read has stored show -9.
inline constexpr AppData kStart{-9, -9, -9, -9, -9};

struct Read {
    int result;
    AppData record;
    std::uint64_t next;                      // offset where the next read starts
    std::optional<LogPattern> pattern = {};  // the read's pattern, where it is not the case's
};

struct Case {
    const char* name;
    std::string input;
    LogPattern pattern;
    std::vector<Read> reads;
};

// The window: records in the plain form in which one number ends at each
// offset where the classification changes chunk (16, 32, 48 and 64 bytes)
// up to the longest plain record, the values the same whatever the widths.
// The first record goes by the character rules; each other is read ahead,
// with 128 bytes of data behind it.
inline std::string padded_number(int element, int width)
{
    if (element == 0 || element == 4)  // L:7, P:1000, with leading zeros
        return std::string(static_cast<std::size_t>(width - (element == 0 ? 1 : 4)), '0') +
               (element == 0 ? "7" : "1000");
    // 0.5, 2.5, 5.5: leading zeros, trailing zeros up to 15 digits, then an exponent of 0.
    const int lead = std::min(width - 3, 7);
    int trail = std::min(width - 3 - lead, 13 - lead);
    const int rest = width - 3 - lead - trail;
    trail -= rest == 1 ? 1 : 0;
    static const char* const kExponents[] = {"", "", "e0", "e+0", "e+00", "e-000"};
    return std::string(static_cast<std::size_t>(lead), '0') + "025"[element - 1] + ".5" +
           std::string(static_cast<std::size_t>(trail), '0') + kExponents[rest == 1 ? 2 : rest];
}

inline Case window_case(LogPattern pattern)
{
    constexpr int kLeads[] = {2, 6, 4, 7, 4};
    const int elements = pattern == F ? 5 : 4;
    const AppData want{7, 0.5, 2.5, 5.5, pattern == F ? 1000 : -9};
    std::string text = pattern == F ? "L:1, CPU:1, B:1, MCPU:1, P:1\n" : "L:1, CPU:1, B:1, MCPU:1\n";
    Case c{pattern == F ? "the window's chunks, Full" : "the window's chunks, Short",
           "",
           pattern,
           {{elements, {1, 1, 1, 1, pattern == F ? 1 : -9}, text.size()}}};
    for (const int end : {15, 16, 17, 31, 32, 33, 47, 48, 49, 63, 64, 65, 79, 80, 81, 95, 96, 97, 101, 102}) {
        for (int ending = 1; ending < elements; ++ending) {
            int widths[] = {1, 3, 3, 3, 4};
            int reach = 0;
            for (int i = 0; i <= ending; ++i)
                reach += kLeads[i] + widths[i];
            for (int i = ending; i >= 0 && reach < end; --i) {
                const int grow = std::min(end - reach, (i == 0 || i == 4 ? 8 : 21) - widths[i]);
                widths[i] += grow;
                reach += grow;
            }
            if (reach != end)
                continue;
            std::string record;
            for (int i = 0; i < elements; ++i)
                record.append(i == 0 ? "" : ", ")
                    .append(kElements[static_cast<std::size_t>(i)].tag)
                    .append(padded_number(i, widths[i]));
            text += record + (c.reads.size() % 3 == 0 ? " " : "\n");  // some records share a line
            c.reads.push_back({elements, want, text.size()});
        }
    }
    c.input = text + numbered_lines(pattern, 6);
    return c;
}

// The batch: records read four at a time, each with one number varied,
// every variant four times over so that it takes each place of a batch. The
// variants: every length of a lane (1 to 16 bytes) and one more, plain, with
// a minus, with an exponent (of five digits too); integers up to nine bytes;
// float midpoints that the fast conversion declines (16777217 is 16777216 as
// a float, 16777219 is 16777220) and decimals whose double falls on one; and
// records in other forms (two blanks, a blank line, CR LF), at which the
// batches decline. The other numbers: L:7, CPU:0.5, B:2.5, MCPU:5.5, P:1000.
// The last record, where a batch would start, stops the reading (`stop`).
enum class Stop { WrongTag, NoDigit };
inline Case batch_case(LogPattern pattern, Stop stop)
{
    const int elements = pattern == F ? 5 : 4;
    const AppData plain{7, 0.5, 2.5, 5.5, pattern == F ? 1000 : -9};
    const std::string defaults[] = {"7", "0.5", "2.5", "5.5", "1000"};
    struct Variant {
        int element;
        std::string number;
        float value;
    };
    std::vector<Variant> variants;
    for (int w = 1; w <= 9; ++w)  // L and the last, P or MCPU
        variants.push_back({w % 2 == 0 ? 0 : elements - 1, std::string(static_cast<std::size_t>(w - 1), '0') + "7", 7});
    variants.push_back({0, "134217728", 134217728.0f});  // nine bytes, none of them a leading zero
    variants.push_back({elements - 1, "-12345678", -12345678});
    variants.push_back({0, "-7", -7});
    variants.push_back({0, "-1234567", -1234567});  // a lane of an integer, full
    variants.push_back({elements - 1, "-1234567", -1234567});
    variants.push_back({1, "-0.000000", -0.0f});
    variants.push_back({1, "2.5e-0000", 2.5f});
    variants.push_back({2, "2.5e", 2.5f});  // the C library reads the mark, and a sign after it, as a power of 0
    variants.push_back({3, "-25E+", -25.0f});
    variants.push_back({3, "2.5e10000", std::numeric_limits<float>::infinity()});  // five exponent digits
    variants.push_back({2, "16777217", 16777216.0f});
    variants.push_back({2, "-16777219.0", -16777220.0f});
    variants.push_back({3, "1.6777217e7", 16777216.0f});
    // Fifteen digits whose quotient, as a double, falls on a float midpoint
    // that the decimal is below: rounding the double would give the float above.
    variants.push_back({1, "6.55077052116394", 6.550770282745361f});
    variants.push_back({3, "4.65007472038269", 4.650074481964111f});
    variants.push_back({2, "-.40178282558918", -0.4017828404903412f});
    // Sixteen digits, beyond an exact double: as a double, a float midpoint.
    variants.push_back({1, "9007199791611905", 9007200328482816.0f});
    // A lane of thirteen digits and an exponent: with the exponent's bytes
    // as zero digits, an integer past 2^53.
    variants.push_back({2, "9999999999999e-2", 99999997952.0f});
    variants.push_back({3, "9999999999999e+2", 999999986991104.0f});
    // 5, 5., then 2.5 with zeros on both sides, w bytes.
    const auto point = [](int w) {
        const std::string zeros(static_cast<std::size_t>(std::max(w - 3, 0)), '0');
        return w < 3 ? std::string("5.").substr(0, static_cast<std::size_t>(w))
                     : zeros.substr(0, zeros.size() / 2).append("2.5").append(zeros.substr(zeros.size() / 2));
    };
    for (int element = 1; element < 4; ++element)
        for (int w = 1; w <= 17; ++w) {
            variants.push_back({element, point(w), w < 3 ? 5.0f : 2.5f});
            if (w >= 4)
                variants.push_back({element, std::string("-").append(point(w - 1)), -2.5f});
            if (w >= 6)
                variants.push_back(
                    {element, std::string("2.5").append(static_cast<std::size_t>(w - 6), '0').append("e+0"), 2.5f});
            if (w >= 5)  // 25 times 10^(w - 5), times 10^-(w - 4)
                variants.push_back({element,
                                    std::string("25")
                                        .append(static_cast<std::size_t>(w - 5), '0')
                                        .append("E-")
                                        .append(std::to_string(w - 4)),
                                    2.5f});
        }
    Case c{pattern == F ? (stop == Stop::WrongTag ? "the batch's lanes, Full"
                                                  : "the batch's lanes, Full, an integer without a digit")
                        : (stop == Stop::WrongTag ? "the batch's lanes, Short"
                                                  : "the batch's lanes, Short, an integer without a digit"),
           "",
           pattern,
           {}};
    std::string text;
    for (std::size_t v = 0; v < variants.size(); ++v) {
        for (std::size_t copy = 0; copy < 4; ++copy) {
            const Variant& variant = variants[v];
            const std::size_t k = (4 * v + copy) % 23;  // the other forms, at every place of a batch in turn
            AppData want = plain;
            for (int i = 0; i < elements; ++i) {
                const Element& e = kElements[static_cast<std::size_t>(i)];
                const bool varied = i == variant.element;
                text.append(i == 0             ? ""
                            : k == 8 && i == 2 ? ",  "
                                               : ", ")
                    .append(e.tag)
                    .append(varied ? variant.number : defaults[i]);
                if (varied && e.is_integer())
                    want.*e.integer = static_cast<std::int32_t>(variant.value);
                else if (varied)
                    want.*e.real = variant.value;
            }
            text += k == 5 ? " \n" : k == 11 ? "\n\n" : k == 17 ? "\r\n" : "\n";
            c.reads.push_back({elements, want, text.size()});
        }
    }
    // A record whose first tag is wrong, or whose first number has no
    // digit, where a batch of the records after it would start: the reading
    // stops there.
    c.reads.push_back({0, c.reads.back().record, text.size() + (stop == Stop::WrongTag ? 0 : 3)});
    text += stop == Stop::WrongTag ? "Q:7" : "L:-";
    text += pattern == F ? ", CPU:0.5, B:2.5, MCPU:5.5, P:1000\n" : ", CPU:0.5, B:2.5, MCPU:5.5\n";
    c.input = text + numbered_lines(pattern, 6);
    return c;
}

}  // namespace reader_cases
