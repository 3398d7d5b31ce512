#pragma once

// The scalar kernels (routes/kernels.hpp says what each does): plain C++,
// for every build and every processor.

#include "logformat/conversion/digits.hpp"
#include "logformat/routes/kernels.hpp"

#include <cstddef>
#include <cstdint>

namespace logformat {

template <>
struct Kernels<InstructionSet::Scalar> {
    static constexpr bool kReadsBatches = false;

    static std::uint64_t digit_mask_64(const char* p) { return digit_mask_bytes(p, 64); }
    static std::uint64_t digit_mask_16(const char* p) { return digit_mask_bytes(p, 16); }
    static std::uint64_t digits_around_point(const char* first, int whole, int fraction)
    {
        return digits_around_point_scalar(first, whole, first + whole + 1, fraction);
    }

private:
    static std::uint64_t digit_mask_bytes(const char* p, std::size_t bytes)
    {
        std::uint64_t mask = 0;
        for (std::size_t k = 0; k < bytes; ++k)
            mask |= std::uint64_t{p[k] >= '0' && p[k] <= '9'} << k;
        return mask;
    }
};

}  // namespace logformat
