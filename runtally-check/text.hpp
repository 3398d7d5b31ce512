#pragma once

// How runtally-check writes counts (common/quoted.hpp quotes the text of a
// log): in plain digits, as compilers write lines and wc writes counts.

#include <cstdint>
#include <string>
#include <string_view>

// A count and its noun: "1 sample", "3204 samples".
std::string counted(std::uint64_t n, std::string_view one, std::string_view many);
