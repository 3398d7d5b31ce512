#pragma once

// The reader's case table, its form: each case an input and, for every
// read, the result, the record after it and where the next read starts; and
// the cases generated for the window's chunks. reader_test.cpp holds the
// table itself.

#include "logformat/app_data.hpp"
#include "logformat/pattern.hpp"
#include "logformat/routes/read_ahead.hpp"
#include "tests/support/records.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>
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
    std::string name;
    std::string input;
    LogPattern pattern;
    std::vector<Read> reads;
};

// The window: records in the plain form in which one number ends at each
// offset where the classification changes chunk (16, 32, 48 and 64 bytes)
// up to the longest plain record, the values the same whatever the widths;
// floating numbers of up to 21 bytes, or, with `longest_real` beyond, of
// up to 40 digits, which reach past the first 64 bytes from before them.
// The first record goes by the character rules; each other is read ahead,
// with 128 bytes of data behind it.
inline std::string padded_number(int element, int width)
{
    if (element == 0 || element == 4)  // L:7, P:1000, with leading zeros
        return std::string(static_cast<std::size_t>(width - (element == 0 ? 1 : 4)), '0') +
               (element == 0 ? "7" : "1000");
    if (width > 21)  // 0.5, 2.5, 5.5 in 21 to 40 digits: zeros on both sides, no exponent
        return std::string(7, '0')
            .append(1, "025"[element - 1])
            .append(".5")
            .append(static_cast<std::size_t>(width - 10), '0');
    // 0.5, 2.5, 5.5: leading zeros, trailing zeros up to 15 digits, then an exponent of 0.
    const int lead = std::min(width - 3, 7);
    int trail = std::min(width - 3 - lead, 13 - lead);
    const int rest = width - 3 - lead - trail;
    trail -= rest == 1 ? 1 : 0;
    static const char* const kExponents[] = {"", "", "e0", "e+0", "e+00", "e-000"};
    return std::string(static_cast<std::size_t>(lead), '0') + "025"[element - 1] + ".5" +
           std::string(static_cast<std::size_t>(trail), '0') + kExponents[rest == 1 ? 2 : rest];
}

inline Case window_case(LogPattern pattern, int longest_real = 21)
{
    constexpr int kLeads[] = {2, 6, 4, 7, 4};
    const int elements = pattern == F ? 5 : 4;
    const AppData want{7, 0.5, 2.5, 5.5, pattern == F ? 1000 : -9};
    std::string text = pattern == F ? "L:1, CPU:1, B:1, MCPU:1, P:1\n" : "L:1, CPU:1, B:1, MCPU:1\n";
    Case c{std::string(pattern == F ? "the window's chunks, Full" : "the window's chunks, Short") +
               (longest_real > 21 ? ", long numbers" : ""),
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
                const int grow = std::min(end - reach, (i == 0 || i == 4 ? 8 : longest_real) - widths[i]);
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
// each variant alone at one place of a batch (0 to 3), plain records around
// it. The variants: every length of a lane (1 to 16 bytes) and one more,
// plain, with a minus, with an exponent (of five digits too); integers up to
// nine bytes; float midpoints that the fast conversion declines (16777217 is
// 16777216 as a float, 16777219 is 16777220) and decimals whose double falls
// on one. The other numbers: L:7, CPU:0.5, B:2.5, MCPU:5.5, P:1000.
//
// Where the batches fall: a record that the window declines (two blanks
// after a comma) ends a fill, so the next fill starts at the record after
// it; a record that the batch declines and the window reads (" \n", a
// blank line, CR LF) has the batches start again at the record after it,
// wherever it stands in a batch (so at each place, after variants that
// the batch declines). So each fill starts with 0 to 4 of the latter (the
// read-ahead's counts shift by one each), then holds a variant's batch and
// one of the latter after it, while the batch fits the read-ahead's 32
// places (in the fills that start with three, the last at 28 to 31), then
// four plain records. A variant that the window declines too (an integer
// of nine bytes) ends its fill early, and the batches after it fall where
// the declines above take them: each variant still meets, at its place, a
// batch whose other records are plain (a print of the batches, once, in
// both sets' fills, showed it).
struct Variant {
    int element;
    std::string number;
    float value;
};
inline std::vector<Variant> batch_variants(LogPattern pattern)
{
    const int elements = pattern == F ? 5 : 4;
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
    variants.push_back({2, "2.5e10000", std::numeric_limits<float>::infinity()});  // five exponent digits
    variants.push_back({3, "2.5e10000", std::numeric_limits<float>::infinity()});
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
    // Numbers of two lanes, as the shortest decimal of a double writes them:
    // 16 to 19 digits in 17 to 21 bytes, the point in the head, at the tail's
    // first byte, in the tail or none, a minus, mantissas past 2^53 and 2^63;
    // 17 digits of a float midpoint whose double, after two roundings, lies
    // within the margin of the midpoint's bits and on the wrong side of it
    // (read as its double, the float below or above); 20 digits in 21 bytes,
    // 22 bytes, which the batch declines.
    constexpr const char* kLongNumbers[] = {"0.7951935655656966",    "1.4835739785214588",    "1.2345678901234567",
                                            "12.345678901234567",    "123.45678901234567",    "1234567890123456789",
                                            "9999999999999999999",   "-0.12345678901234567",  "-1.234567890123456789",
                                            "3.8687039613723755",    "-7.7339041233062744",   "1.9529346823692322",
                                            "1.2345678901234567890", "99999999999.999999999", "0.12345678901234567890"};
    for (std::size_t i = 0; i < std::size(kLongNumbers); ++i)
        variants.push_back({1 + static_cast<int>(i % 3), kLongNumbers[i], std::strtof(kLongNumbers[i], nullptr)});
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
    return variants;
}

// A record of the plain numbers, with `variant`'s number in its place where
// given, and its closing text: records the batch case writes.
inline std::string batch_record(LogPattern pattern, const Variant* variant, const char* after_b, const char* closing)
{
    static const char* const kDefaults[] = {"7", "0.5", "2.5", "5.5", "1000"};
    std::string text;
    for (int i = 0; i < (pattern == F ? 5 : 4); ++i)
        text.append(i == 0   ? ""
                    : i == 2 ? after_b
                             : ", ")
            .append(kElements[static_cast<std::size_t>(i)].tag)
            .append(variant != nullptr && variant->element == i ? variant->number
                                                                : kDefaults[static_cast<std::size_t>(i)]);
    return text + closing;
}

inline Case batch_case(LogPattern pattern, int place)
{
    const AppData plain{7, 0.5, 2.5, 5.5, pattern == F ? 1000 : -9};
    const int elements = pattern == F ? 5 : 4;
    Case c{std::string(pattern == F ? "the batch's lanes, Full" : "the batch's lanes, Short") +
               ", each variant at place " + std::to_string(place),
           "",
           pattern,
           {}};
    std::string& text = c.input;
    const auto add = [&](const Variant* variant, const char* after_b, const char* closing) {
        AppData want = plain;
        if (variant != nullptr) {
            const Element& e = kElements[static_cast<std::size_t>(variant->element)];
            if (e.is_integer())
                want.*e.integer = static_cast<std::int32_t>(variant->value);
            else
                want.*e.real = variant->value;
        }
        text += batch_record(pattern, variant, after_b, closing);
        c.reads.push_back({elements, want, text.size()});
    };
    static const char* const kWindowOnly[] = {" \n", "\r\n", "\n\n"};  // records the window reads, a batch not
    const std::vector<Variant> variants = batch_variants(pattern);
    std::size_t v = 0;
    for (int fill = 0; v < variants.size(); ++fill) {
        add(nullptr, ",  ", "\n");  // the window declines: the fill starts after it
        int count = fill % 5;
        for (int k = 0; k < count; ++k)
            add(nullptr, ", ", kWindowOnly[(fill + k) % 3]);
        for (; count + 4 <= ReadAhead::kSamples && v < variants.size(); count += 5, ++v) {
            for (int r = 0; r < 4; ++r)
                add(r == place ? &variants[v] : nullptr, ", ", "\n");
            add(nullptr, ", ", kWindowOnly[v % 2]);
        }
        for (int r = 0; r < 4; ++r)
            add(nullptr, ", ", "\n");
    }
    text += numbered_lines(pattern, 6);
    return c;
}

// A record at which the reading stops, alone at place `place` of a batch
// of plain records, which must decline it: its first tag wrong, its L
// without a digit, a point after B's exponent mark, a comma where the line
// end before the next record must be, a long B with a second point (in the
// head and in the tail, both in the tail, both in the head) or with a minus
// at its tail's first byte or its second byte.
enum class Stop {
    WrongTag,
    NoDigit,
    PointAfterMark,
    CommaForLineEnd,
    SecondPointInLong,
    TwoPointsInTail,
    TwoPointsInHead,
    MinusInLong,
    MinusInHead
};
inline Case stop_case(LogPattern pattern, Stop stop, int place)
{
    static const char* const kNames[] = {"a wrong tag",
                                         "an L without a digit",
                                         "a point after the exponent mark",
                                         "a comma for the line end",
                                         "a second point in a long number",
                                         "two points in a long number's tail",
                                         "two points in a long number's head",
                                         "a minus inside a long number",
                                         "a minus at a long number's second byte"};
    const int elements = pattern == F ? 5 : 4;
    const AppData plain{7, 0.5, 2.5, 5.5, pattern == F ? 1000 : -9};
    Case c{std::string("a stop at place ") + std::to_string(place) + " of a batch, " +
               (pattern == F ? "Full" : "Short") + ": " + kNames[static_cast<int>(stop)],
           "",
           pattern,
           {}};
    for (int r = 0; r <= place; ++r) {  // the first read fills the buffer; the next, the read-ahead
        c.input += batch_record(pattern, nullptr, ", ", "\n");
        c.reads.push_back({elements, plain, c.input.size()});
    }
    const std::size_t at = c.input.size();
    const std::string whole = batch_record(pattern, nullptr, ", ", "");
    const Variant point{2, "1e0.", 1};
    const Variant second_point{2, "1.234567890.1234567", 1.23456789f};
    const Variant two_in_tail{2, "1234.56789.0123456", 1234.56789f};
    const Variant two_in_head{2, "1.2.34567890123456789", 1.2f};
    const Variant minus{2, "12-345678901234567", 12};
    const Variant minus_in_head{2, "1-2345678901234567", 1};
    switch (stop) {
    case Stop::WrongTag:
        c.input.append("Q").append(whole, 1).append("\n");  // appended: g++ 12 warns wrongly of "Q" + string
        c.reads.push_back({0, plain, at});
        break;
    case Stop::NoDigit:
        c.input.append("L:-").append(whole, 3).append("\n");
        c.reads.push_back({0, plain, at + 3});
        break;
    case Stop::PointAfterMark:
        c.input += batch_record(pattern, &point, ", ", "\n");
        c.reads.push_back({3, {7, 0.5, 1, 5.5, plain.P}, c.input.find("1e0.", at) + 3});
        break;
    case Stop::CommaForLineEnd:
        c.input += whole + "," + whole + "\n";
        c.reads.push_back({elements, plain, at + whole.size()});
        break;
    case Stop::SecondPointInLong:
    case Stop::TwoPointsInTail:
    case Stop::TwoPointsInHead:
    case Stop::MinusInLong:
    case Stop::MinusInHead: {
        const Variant& long_b = stop == Stop::MinusInLong       ? minus
                                : stop == Stop::MinusInHead     ? minus_in_head
                                : stop == Stop::TwoPointsInTail ? two_in_tail
                                : stop == Stop::TwoPointsInHead ? two_in_head
                                                                : second_point;
        c.input += batch_record(pattern, &long_b, ", ", "\n");
        const std::string& b = long_b.number;
        const std::size_t stops =
            b.find('-') != std::string::npos ? b.find('-') : b.find('.', b.find('.') + 1);  // the byte that ends B
        c.reads.push_back({3, {7, 0.5, long_b.value, 5.5, plain.P}, c.input.find(long_b.number, at) + stops});
        break;
    }
    }
    c.reads.push_back({0, c.reads.back().record, c.reads.back().next});
    for (int r = place; r < 3 + 4; ++r)
        c.input += batch_record(pattern, nullptr, ", ", "\n");
    c.input += numbered_lines(pattern, 6);
    return c;
}

// The read-ahead's last places: after `shift` records that the batches
// decline (CR LF), batches fill it to 28 + shift, where no batch has room
// and the window reads the rest. The pass lists the terminators of whole
// 64-byte chunks until those of 32 records are listed: with records of an
// even length after one CR LF, the 32nd record's line end starts a chunk,
// so the next two records' terminators are listed too, as a batch at 29
// or 30 would need.
inline Case room_case(LogPattern pattern, int shift)
{
    const int elements = pattern == F ? 5 : 4;
    const std::string record = pattern == F ? "L:7, CPU:5, B:5, MCPU:5, P:10" : "L:7, CPU:5, B:5, MCPU:5";
    static_assert(ReadAhead::kSamples == 32, "the places counted below");
    Case c{std::string("the read-ahead's last places, ") + (pattern == F ? "Full" : "Short") +
               ": no room for a batch at " + std::to_string(28 + shift),
           "",
           pattern,
           {}};
    for (int r = 0; r < 1 + shift + 40; ++r) {
        c.input += record + (r >= 1 && r <= shift ? "\r\n" : "\n");
        c.reads.push_back({elements, {7, 5, 5, 5, pattern == F ? 10 : -9}, c.input.size()});
    }
    c.input += numbered_lines(pattern, 6);
    return c;
}

// Every batch case: each variant at each place, each stop at each place,
// the read-ahead's last places.
inline std::vector<Case> batch_cases()
{
    std::vector<Case> cases;
    for (const LogPattern pattern : {F, S}) {
        cases.push_back(room_case(pattern, 1));
        cases.push_back(room_case(pattern, 2));
        for (int place = 0; place < 4; ++place) {
            cases.push_back(batch_case(pattern, place));
            for (const Stop stop :
                 {Stop::WrongTag, Stop::NoDigit, Stop::PointAfterMark, Stop::CommaForLineEnd, Stop::SecondPointInLong,
                  Stop::TwoPointsInTail, Stop::TwoPointsInHead, Stop::MinusInLong, Stop::MinusInHead})
                cases.push_back(stop_case(pattern, stop, place));
        }
    }
    return cases;
}

}  // namespace reader_cases
