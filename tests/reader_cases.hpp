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
    std::uint64_t next;  // offset where the next read starts
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
    Case c{pattern == F ? "the window's chunks, Full" : "the window's chunks, Short", "", pattern, {{elements, {1, 1, 1, 1, pattern == F ? 1 : -9}, text.size()}}};
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

}  // namespace reader_cases
