#pragma once

// How the programs and the fuzz target show the bytes of a log.

#include <string>
#include <string_view>

// Bytes of a log as a C string literal, quotes included: printable ASCII as
// it is, the quote and the backslash escaped, control bytes and bytes beyond
// ASCII as \n, \t, \x00 and so on.
std::string quoted(std::string_view bytes);
