#pragma once

// How runtally-check writes counts and quotes the text of a log.

#include <cstdint>
#include <string>
#include <string_view>

// A count with its thousands grouped: "3,204".
std::string grouped(std::uint64_t n);

// A count and its noun: "1 sample", "3,204 samples".
std::string counted(std::uint64_t n, std::string_view one, std::string_view many);

// Bytes of a log as a C string literal, quotes included: printable ASCII as
// it is, the quote and the backslash escaped, control bytes and bytes beyond
// ASCII as \n, \t, \x00 and so on.
std::string quoted(std::string_view bytes);
