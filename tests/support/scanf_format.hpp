#pragma once

#include "logformat/pattern.hpp"

#include <string>

// The pattern as a scanf format, for the fscanf baseline and the tests that
// hold the reader against the C library.
inline std::string scanf_format(logformat::LogPattern pattern)
{
    std::string format;
    for (const logformat::Element& e : logformat::elements_of(pattern)) {
        if (!format.empty())
            format += ", ";
        format += e.tag;
        format += e.is_integer() ? "%d" : "%f";
    }
    return format + "\n";
}
