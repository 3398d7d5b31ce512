#pragma once

// The processor features of the AVX-512 read, written once: the target
// attribute of every AVX-512 function and the set's row of the table of
// implementations (routes/implementations.cpp) name them with this macro,
// as an attribute needs a literal. AVX2's among them: the set's kernels use
// AVX2's conversion of the digits around a point.
#define LOGFORMAT_AVX512_TARGET "avx2,bmi,bmi2,avx512f,avx512bw,avx512vl,avx512dq,avx512vbmi,avx512vbmi2,avx512bitalg"
