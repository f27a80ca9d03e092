#pragma once
// Deterministic test signals and a block runner shared by the unit tests.

#include <algorithm>
#include <vector>

// Uniform noise in -level..level from a fixed linear congruential seed.
inline std::vector<float> noise(int n, unsigned seed, float level = 1.0f)
{
    std::vector<float> v(n);
    for (float& x : v) {
        seed = seed * 1664525u + 1013904223u;
        x = level * (static_cast<float>(seed >> 8) / 8388608.0f - 1.0f);
    }
    return v;
}

// Calls f(left, right, frames) on consecutive blocks of at most `block` frames.
template <class F> void inBlocks(std::vector<float>& l, std::vector<float>& r, int block, F f)
{
    const int n = static_cast<int>(l.size());
    for (int i = 0; i < n; i += block)
        f(l.data() + i, r.data() + i, std::min(block, n - i));
}
