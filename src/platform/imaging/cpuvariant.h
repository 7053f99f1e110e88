#pragma once

// A few loops have variants for newer x86-64 vector units, built beside the plain ones and
// picked at run time for the processor the program runs on.
#if defined(__x86_64__) && defined(__GNUC__)
#define KORIMO_X86_VARIANTS 1
#include <immintrin.h>
// fast where the processor has feature (a string literal such as "avx2"), else plain.
#define KORIMO_PICK_VARIANT(feature, fast, plain)                                                  \
    (__builtin_cpu_supports(feature) ? (fast) : (plain))
#else
#define KORIMO_PICK_VARIANT(feature, fast, plain) (plain)
#endif
