#pragma once

// The two line patterns, declared once:
//
//   Full   "L:%d, CPU:%f, B:%f, MCPU:%f, P:%d\n"   (runtally)
//   Short  "L:%d, CPU:%f, B:%f, MCPU:%f\n"          (runtally2)
//
// A pattern is a list of elements: a tag with its colon, then a number that
// goes into one field of AppData, an integer (%d) or a floating number (%f)
// by the type of that field. Every element but the first is preceded by
// ", ", a comma and then any run of white space; the closing "\n" takes any
// run of white space. Short is Full without the elements that belong to
// Full alone, which come last. Both the window and the character rules are
// expanded from this one list.

#include "logformat/app_data.hpp"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace logformat {

struct Element {
    enum class In { Both, FullOnly };

    std::string_view tag;                      // with its colon: "CPU:"
    std::int32_t AppData::*integer = nullptr;  // the field of an integer, or null
    float AppData::*real = nullptr;            // the field of a floating number, or null
    In in = In::Both;

    constexpr Element(std::string_view t, std::int32_t AppData::*field, In patterns = In::Both)
        : tag(t), integer(field), in(patterns)
    {
    }
    constexpr Element(std::string_view t, float AppData::*field, In patterns = In::Both)
        : tag(t), real(field), in(patterns)
    {
    }

    constexpr bool is_integer() const { return integer != nullptr; }
    // The tag without its colon, as messages name the field: "CPU".
    constexpr std::string_view name() const { return tag.substr(0, tag.size() - 1); }
};

inline constexpr Element kElements[] = {
    {"L:", &AppData::L},
    {"CPU:", &AppData::CPU},
    {"B:", &AppData::B},
    {"MCPU:", &AppData::MCPU},
    {"P:", &AppData::P, Element::In::FullOnly},
};

constexpr std::size_t count_elements(LogPattern pattern)
{
    std::size_t n = 0;
    for (const Element& e : kElements)
        n += pattern == LogPattern::Full || e.in == Element::In::Both ? 1 : 0;
    return n;
}

// The number of elements of a pattern: a constant wherever the pattern is.
constexpr std::size_t element_count(LogPattern pattern)
{
    constexpr std::size_t kFull = count_elements(LogPattern::Full);
    constexpr std::size_t kShort = count_elements(LogPattern::Short);
    return pattern == LogPattern::Full ? kFull : kShort;
}

constexpr bool full_only_come_last()
{
    bool seen_full_only = false;
    for (const Element& e : kElements) {
        if (seen_full_only && e.in == Element::In::Both)
            return false;
        seen_full_only = seen_full_only || e.in == Element::In::FullOnly;
    }
    return true;
}
static_assert(full_only_come_last(), "Short is read as the first elements of Full");

// The elements of a pattern, in order.
constexpr std::span<const Element> elements_of(LogPattern pattern)
{
    return std::span<const Element>(kElements).first(element_count(pattern));
}

// The most fields one read can store.
inline constexpr std::size_t kMostElements = std::size(kElements);

}  // namespace logformat
