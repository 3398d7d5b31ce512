#pragma once

// The SSE2 kernels (routes/kernels.hpp says what each does): the digit
// masks 16 bytes a compare. SSE2 is part of every x86-64 processor, so they
// need no target of their own; AVX2 and AVX-512 take their 16-byte mask.

#include "logformat/routes/kernels.hpp"
#include "logformat/scalar/kernels.hpp"

#include <cstdint>
#include <emmintrin.h>

namespace logformat {

template <>
struct Kernels<InstructionSet::Sse2> {
    static constexpr bool kReadsBatches = false;

    static std::uint64_t digit_mask_16(const char* p)
    {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i value = _mm_sub_epi8(bytes, _mm_set1_epi8('0'));  // a digit becomes 0 to 9, all else 10 or more
        const __m128i is_digit = _mm_cmpeq_epi8(_mm_min_epu8(value, _mm_set1_epi8(9)), value);
        return static_cast<std::uint16_t>(_mm_movemask_epi8(is_digit));
    }
    static std::uint64_t digit_mask_64(const char* p)
    {
        std::uint64_t mask = 0;
        for (int k = 0; k < 4; ++k)
            mask |= digit_mask_16(p + 16 * k) << (16 * k);
        return mask;
    }
    static std::uint64_t digits_around_point(const char* first, int whole, int fraction)
    {
        return Kernels<InstructionSet::Scalar>::digits_around_point(first, whole, fraction);
    }
};

}  // namespace logformat
