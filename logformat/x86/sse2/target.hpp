#pragma once

// The processor features of the SSE2 read, written once: its target
// attribute and its row of the table of implementations
// (routes/implementations.cpp) name them with this macro, as an attribute
// needs a literal. Every x86-64 processor has them.
#define LOGFORMAT_SSE2_TARGET "sse2"
