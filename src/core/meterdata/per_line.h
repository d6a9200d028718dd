#pragma once
// For the few steps that run once per line of a file and are worth more
// inlined into the loops over its lines than kept as calls: left to itself,
// the compiler keeps some of them as calls once those loops have grown.
#if defined(__GNUC__) || defined(__clang__)
#define LUMIVANE_PER_LINE inline __attribute__((always_inline))
#else
#define LUMIVANE_PER_LINE inline
#endif
