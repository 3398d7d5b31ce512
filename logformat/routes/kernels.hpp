#pragma once

// The reader's kernels: the few steps that an instruction set does faster,
// one struct for each set (its folder's kernels.hpp), picked by the set as
// a template parameter. Everything else of the reader is written once for
// every set.
//
// Every set's kernels:
//   digit_mask_64(p)   bit k tells whether p[k] is a digit, for 64 bytes
//   digit_mask_16(p)   the same for 16 bytes
//   digits_around_point(first, whole, fraction)
//                      the value of `whole` digits at `first` (0 to 8), a
//                      full stop, then `fraction` more digits, read as one
//                      integer; 1 to 15 digits in all
// And, for a set that reads batches (kReadsBatches, batch/batch.hpp):
//   list_terminators(p, end, wanted, positions, count)
//                      the structural pass: the positions of the
//                      terminators of the 64-byte chunks from p
//   read_four<pattern>(base, positions, end, out)
//                      a batch: the four records whose terminators are at
//                      positions[0 .. 4N], into out; false where it declines
//
// Every kernel loads whole chunks of 8 or 16 bytes, so the bytes behind the
// text must be readable: the buffer's zero padding is.

#include "logformat/instruction_set.hpp"

namespace logformat {

template <InstructionSet set>
struct Kernels;

}  // namespace logformat
