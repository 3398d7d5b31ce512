#pragma once

// The reader's kernels, one struct for each instruction set: the few steps
// that an instruction set does faster, written once for each set and picked
// by the set as a template parameter. Everything else of the reader is
// written once for every set.
//
//   digit_mask_64(p)   bit k tells whether p[k] is a digit, for 64 bytes
//   digit_mask_16(p)   the same for 16 bytes
//   digits_around_point(first, whole, fraction)
//                      the value of `whole` digits at `first` (0 to 8), a
//                      full stop, then `fraction` more digits, read as one
//                      integer; 1 to 15 digits in all
//   read_ahead_in_batches(p, end, ahead, pattern, most, read_one)
//                      AVX2 and AVX-512 only: records four at a time into
//                      the read-ahead (batch_fill.hpp), by the set's
//                      structural pass (list_terminators) and batch
//                      (read_four)
//
// Every kernel loads whole chunks of 8 or 16 bytes, so the bytes behind the
// text must be readable: the buffer's zero padding is. This file holds the
// scalar kernels; kernels_x86.hpp the SSE2, AVX2 and AVX-512 ones.

#include "logformat/digits.hpp"
#include "logformat/instruction_set.hpp"

#include <cstddef>
#include <cstdint>

namespace logformat {

template <InstructionSet set>
struct Kernels;

template <>
struct Kernels<InstructionSet::Scalar> {
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
