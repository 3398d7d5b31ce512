#pragma once

// The Eisel-Lemire conversion (D. Lemire, "Number parsing at a gigabyte per
// second", Software: Practice and Experience, 2021), written for single
// precision: mantissa × 10^power rounded to the nearest float, for any
// 64-bit mantissa and the powers of ten where the fast conversion
// (to_float.hpp) has no exact double, or where its double lay too near a
// float midpoint. False when it cannot tell; the exact conversion decides
// then.
//
// 10^q = 5^q × 2^q, and 5^q is kept as a 128-bit number F, its top bit set,
// times a power of two: the first 128 bits of 5^q, exact up to 5^55,
// truncated beyond, and for q < 0 the first 128 bits of 1/5^-q, truncated.
// The mantissa, shifted until its top bit is set, times F is a 192-bit
// product, of which the first 64 bits hold the float's 24 bits, the bit
// after them and 38 or 39 more. The truncations of F and of the product
// leave the exact value at most 2 units of the product's second 64 bits
// above the first 128 bits: the float and its rounding follow from them,
// unless those 2 units could carry into the float's bits or the value
// could lie exactly on a midpoint (a tie, which only an exact product
// shows). The table is computed at compile time (eisel_lemire.cpp).

#include <cstdint>

namespace logformat {

bool to_float_eisel_lemire(std::uint64_t mantissa, std::int64_t power, float& value);

}  // namespace logformat
