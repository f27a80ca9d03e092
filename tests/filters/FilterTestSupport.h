#pragma once
// Helpers shared by the filter tests: note numbers, seeded noise and the steady-state gain of a
// one-channel filter.

#include "filters/KsFilter.h"

#include <cmath>
#include <random>
#include <vector>

namespace filtertest
{
constexpr float rate = 48000.f;

// Note number of a frequency (69 = 440 Hz).
inline float noteOf(double hz)
{
    return static_cast<float>(69.0 + 12.0 * std::log2(hz / 440.0));
}

inline std::vector<float> noise(int frames, float amplitude, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> dist(-amplitude, amplitude);
    std::vector<float> v(frames);
    for (float& x : v)
        x = dist(rng);
    return v;
}

// Gain of a filter for a sine of the given frequency, measured as peak output over the
// second half of a long run (after the transient), in blocks of 64 like the unit.
inline double gainAt(KsFilter& f, double hz, double sr = rate)
{
    f.reset();
    const int n = 16384;
    std::vector<float> x(n);
    for (int i = 0; i < n; ++i)
        x[i] = hz == 0.0 ? 1.f : static_cast<float>(std::sin(6.283185307179586 * hz * i / sr));
    for (int i = 0; i < n; i += 64)
        f.process(x.data() + i, 64);
    double peak = 0.0;
    for (int i = n / 2; i < n; ++i)
        peak = std::max(peak, std::fabs(static_cast<double>(x[i])));
    return peak;
}
} // namespace filtertest
