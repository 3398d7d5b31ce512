#include "logformat/conversion/eisel_lemire.hpp"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <limits>

namespace logformat {

namespace {

// The product of two 64-bit numbers.
__extension__ using Product = unsigned __int128;

// The powers of ten in the table: below 10^-57 every 64-bit mantissa gives a
// value under the smallest normal float (2^64 × 10^-58 < 2^-126), and from
// 10^39 on every value is beyond the largest; the exact conversion takes
// those.
constexpr std::int64_t kLeastPower = -57;
constexpr std::int64_t kMostPower = 38;

// 5^q ≈ F × 2^exponent, F of 128 bits with its top bit set: its first 64
// bits and its next 64.
struct PowerOfFive {
    std::uint64_t high = 0;
    std::uint64_t low = 0;
    std::int64_t exponent = 0;
};

// An unsigned integer of 320 bits, in 32-bit limbs, lowest first, for the
// table's computation at compile time: room for 5^38, and for 2^319, whose
// quotient by 5^57 still has more than 128 bits.
struct Big {
    static constexpr int kBits = 320;
    std::array<std::uint32_t, kBits / 32> limbs{};

    constexpr void times(std::uint32_t factor)
    {
        std::uint64_t carry = 0;
        for (std::uint32_t& limb : limbs) {
            const std::uint64_t product = std::uint64_t{limb} * factor + carry;
            limb = static_cast<std::uint32_t>(product);
            carry = product >> 32;
        }
    }
    // This divided by `divisor`, the quotient's floor.
    constexpr void divide(std::uint32_t divisor)
    {
        std::uint64_t remainder = 0;
        for (std::size_t i = limbs.size(); i-- > 0;) {
            const std::uint64_t part = remainder << 32 | limbs[i];
            limbs[i] = static_cast<std::uint32_t>(part / divisor);
            remainder = part % divisor;
        }
    }
    constexpr bool bit(int i) const
    {
        return i >= 0 && ((limbs[static_cast<std::size_t>(i / 32)] >> (i % 32)) & 1) != 0;
    }
    constexpr int bit_length() const
    {
        for (std::size_t i = limbs.size(); i-- > 0;)
            if (limbs[i] != 0)
                return 32 * static_cast<int>(i) + static_cast<int>(std::bit_width(limbs[i]));
        return 0;
    }
};

// The first 128 bits of x, truncated (zeros below its last where it has
// fewer), as F, and x ≈ F × 2^exponent.
constexpr PowerOfFive first_bits(const Big& x)
{
    PowerOfFive entry;
    const int length = x.bit_length();
    for (int i = 0; i < 128; ++i) {
        if (!x.bit(length - 128 + i))
            continue;
        if (i >= 64)
            entry.high |= std::uint64_t{1} << (i - 64);
        else
            entry.low |= std::uint64_t{1} << i;
    }
    entry.exponent = length - 128;
    return entry;
}

// For q >= 0, F is the first 128 bits of 5^q, one multiplication by 5 from
// the last. For q < 0, the first 128 bits of floor(2^319 / 5^-q), one
// division by 5 from the last, as the floor of a floor's quotient is the
// floor of the whole quotient: 1/5^-q truncated to 128 bits, times 2^-319.
constexpr auto kPowersOfFive = [] {
    std::array<PowerOfFive, kMostPower - kLeastPower + 1> table{};
    const auto at = [](std::int64_t q) { return static_cast<std::size_t>(q - kLeastPower); };
    Big power;
    power.limbs[0] = 1;
    for (std::int64_t q = 0; q <= kMostPower; ++q, power.times(5))
        table[at(q)] = first_bits(power);
    Big reciprocal;
    reciprocal.limbs.back() = std::uint32_t{1} << 31;
    for (std::int64_t q = -1; q >= kLeastPower; --q) {
        reciprocal.divide(5);
        table[at(q)] = first_bits(reciprocal);
        table[at(q)].exponent -= Big::kBits - 1;
    }
    return table;
}();

constexpr const PowerOfFive& five_to(std::int64_t q)
{
    return kPowersOfFive[static_cast<std::size_t>(q - kLeastPower)];
}
// 1 = 2^127 × 2^-127; 5 = 0b101 × 2^125 × 2^-125; 1/5 = 0.00110011... in binary.
static_assert(five_to(0).high == std::uint64_t{1} << 63 && five_to(0).low == 0 && five_to(0).exponent == -127);
static_assert(five_to(1).high == std::uint64_t{5} << 61 && five_to(1).low == 0 && five_to(1).exponent == -125);
static_assert(five_to(-1).high == 0xCCCCCCCCCCCCCCCC && five_to(-1).low == 0xCCCCCCCCCCCCCCCC &&
              five_to(-1).exponent == -130);
// The quotient by 5^57 keeps more than 128 bits: every entry is truncated, none padded.
static_assert(five_to(kLeastPower).exponent > -(Big::kBits - 1));
// 5^27 < 2^64, exact in the first word.
static_assert(five_to(27).high == std::uint64_t{7450580596923828125} << 1 && five_to(27).low == 0);

constexpr int kFloatBits = std::numeric_limits<float>::digits;  // 24, the leading one among them
static_assert(kFloatBits == 24 && std::numeric_limits<float>::max_exponent == 128);
constexpr std::uint32_t kInfinityBits = 0x7F800000;

}  // namespace

bool to_float_eisel_lemire(std::uint64_t mantissa, std::int64_t power, float& value)
{
    if (mantissa == 0 || power < kLeastPower || power > kMostPower)
        return false;
    const PowerOfFive& five = five_to(power);
    const int shift = std::countl_zero(mantissa);
    const std::uint64_t w = mantissa << shift;
    // The first 128 bits of the 192-bit product of w and F: high, then middle.
    const Product first = Product{w} * five.high;
    const Product second = Product{w} * five.low;
    const auto first_low = static_cast<std::uint64_t>(first);
    const std::uint64_t middle = first_low + static_cast<std::uint64_t>(second >> 64);
    const std::uint64_t high = static_cast<std::uint64_t>(first >> 64) + (middle < first_low ? 1 : 0);
    // w and F have their top bits set, so the product's first word does at
    // its bit 63 or 62: after the float's bits and the rounding bit come 39
    // or 38 more.
    const int rest = 63 - kFloatBits - std::countl_zero(high);
    const std::uint64_t below = high & ((std::uint64_t{1} << rest) - 1);
    const std::uint64_t kept = high >> rest;  // the float's bits and the rounding bit
    // The exact product lies below the first 128 bits plus 2 units of the
    // middle word: a carry into the kept bits, or a tie, where the rest is
    // all ones or zero.
    if (below == (std::uint64_t{1} << rest) - 1 && middle >= ~std::uint64_t{0} - 1)
        return false;
    if ((kept & 1) != 0 && below == 0 && middle <= 1)
        return false;
    // Above the midpoint where the rounding bit is set (a tie is excluded):
    // rounded up, a carry past the float's bits moving into its exponent.
    const std::uint64_t significand = (kept + 1) >> 1;
    // value ≈ high × 2^(128 + exponent + power - shift); the float's last bit
    // is worth 2^(rest + 1) of high.
    const std::int64_t last_bit = rest + 1 + 128 + five.exponent + power - shift;
    const std::int64_t biased = last_bit + (kFloatBits - 1) + (std::numeric_limits<float>::max_exponent - 1);
    if (biased < 1)
        return false;  // a subnormal, rounded otherwise
    const std::int64_t bits =
        (biased << (kFloatBits - 1)) + static_cast<std::int64_t>(significand - (std::uint64_t{1} << (kFloatBits - 1)));
    value = bits >= kInfinityBits ? std::numeric_limits<float>::infinity()
                                  : std::bit_cast<float>(static_cast<std::uint32_t>(bits));
    return true;
}

}  // namespace logformat
