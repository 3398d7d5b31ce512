#pragma once

// The processor features of the AVX2 read, written once: the target
// attribute of every AVX2 function and the set's row of the table of
// implementations (routes/implementations.cpp) name them with this macro,
// as an attribute needs a literal.
#define LOGFORMAT_AVX2_TARGET "avx2,bmi,bmi2"
