#pragma once
// ORVANE_UNIT_LOOP: compiles a hot loop for the baseline, x86-64-v3 (AVX2) and x86-64-v4
// (AVX-512) with GCC on x86-64; the loader picks the best one the processor has. Multiplies
// and adds are kept separate (no fused multiply-add), so every variant rounds exactly like
// the plain per-sample formulas and the output does not depend on the processor.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define ORVANE_UNIT_LOOP                                                                                     \
    __attribute__((target_clones("default", "arch=x86-64-v3", "arch=x86-64-v4"), optimize("fp-contract="     \
                                                                                          "off")))
#else
#define ORVANE_UNIT_LOOP
#endif
