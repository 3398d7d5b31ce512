#pragma once

// How runtally-check writes counts (common/quoted.hpp quotes the text of a log).

#include <cstdint>
#include <string>
#include <string_view>

// A count with its thousands grouped: "3,204".
std::string grouped(std::uint64_t n);

// A count and its noun: "1 sample", "3,204 samples".
std::string counted(std::uint64_t n, std::string_view one, std::string_view many);
