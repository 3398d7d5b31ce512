#pragma once

// The AVX-512 kernels (routes/kernels.hpp says what each does): the 64-byte
// digit mask from one compare into a mask register, the batch (batch.hpp
// defines the structural pass and read_four); the rest as AVX2 does it.
// Compiled for the set's features whatever the build's target, and inlined
// into the set's read (read.cpp), which is compiled for them too, but for
// the batch, which is called: only a processor that offers the set may run
// them.

#include "logformat/app_data.hpp"
#include "logformat/batch/batch.hpp"
#include "logformat/pattern.hpp"
#include "logformat/routes/kernels.hpp"
#include "logformat/x86/avx2/kernels.hpp"
#include "logformat/x86/avx512/target.hpp"
#include "logformat/x86/sse2/kernels.hpp"

#include <cstdint>
#include <immintrin.h>
#include <string_view>

namespace logformat {

static_assert(std::string_view(LOGFORMAT_AVX512_TARGET).starts_with(LOGFORMAT_AVX2_TARGET ","),
              "the AVX-512 read asks the processor for the features of the AVX2 kernels it calls");

template <>
struct Kernels<InstructionSet::Avx512> {
    static constexpr bool kReadsBatches = true;

    static std::uint64_t digit_mask_16(const char* p) { return Kernels<InstructionSet::Sse2>::digit_mask_16(p); }

    [[gnu::target(LOGFORMAT_AVX512_TARGET)]] static std::uint64_t digit_mask_64(const char* p)
    {
        const __m512i value = _mm512_sub_epi8(_mm512_loadu_si512(p), _mm512_set1_epi8('0'));
        return _mm512_cmple_epu8_mask(value, _mm512_set1_epi8(9));
    }

    [[gnu::target(LOGFORMAT_AVX512_TARGET)]] static std::uint64_t digits_around_point(const char* first, int whole,
                                                                                      int fraction)
    {
        return Kernels<InstructionSet::Avx2>::digits_around_point(first, whole, fraction);
    }

    // The structural pass and the batch (batch.hpp).
    static int list_terminators(const char* p, const char* end, int wanted, Terminators& positions, int count);
    template <LogPattern pattern>
    static bool read_four(const char* base, const std::int16_t* positions, const char* end, AppData* out);
};

}  // namespace logformat
