// Process-wide pseudo-random generator with the classic 0..32767 range.
//
// The randomiser and the random oscillator shapes draw from one shared sequence
// (x = x * 214013 + 2531011, result (x >> 16) & 0x7FFF), so that a seed gives the
// same patches on every platform. The state is a std::atomic updated with a
// compare-and-swap loop, so concurrent callers never tear it. No allocation.
#pragma once

#include <cstdint>

// Largest value ksRand() returns.
constexpr int kKsRandMax = 32767;

// Next value of the shared sequence, 0..32767.
int ksRand() noexcept;

// Restarts the shared sequence; the state before any call is seed 1.
void ksSrand(std::uint32_t seed) noexcept;
