#include "filters/SVFAFilter.h"

#include <algorithm>
#include <iterator>
#include <numbers>

using analog::saturate;

SVFAFilter::SVFAFilter()
{
    classId = 8;
}

void SVFAFilter::setMode(int32_t m) noexcept
{
    mode = m % 3;
}

void SVFAFilter::reset() noexcept
{
    resetSettings();
    std::fill(std::begin(low), std::end(low), 0.f);
    std::fill(std::begin(band), std::end(band), 0.f);
}

void SVFAFilter::design(const Settings& s, float* out) const noexcept
{
    const double fn = analog::octavesToHz(s.octaves) / s.sampleRate;
    constexpr double pi = std::numbers::pi;
    const double arg = std::min(fn * pi * 0.5 * pi * 0.5, 0.7853982);
    out[coefF] = 2.f * std::sin(static_cast<float>(arg));
    out[coefD] = std::clamp(2.f - 2.02f * s.resonance, -0.04f, 2.f);
    out[coefGainIn] = s.drive * 0.25f;
    out[coefGainOut] = 4.f / ((s.drive - 1.f) * 0.2f + 1.f);
}

template <int M, class Io> void SVFAFilter::runMode(Io io, int frames) noexcept
{
    using T = typename Io::T;
    if (!beginBlock(frames)) return;
    T l = Io::state(low), b = Io::state(band);
    float f = coef[coefF], d = coef[coefD], gi = coef[coefGainIn], go = coef[coefGainOut];
    const float fStep = coefStep[coefF], dStep = coefStep[coefD];
    const float giStep = coefStep[coefGainIn], goStep = coefStep[coefGainOut];
    constexpr int m = M;
    uint32_t seed = noiseSeed;

    for (int i = 0; i < frames; ++i) {
        seed = analog::nextNoise(seed);
        const float n = static_cast<float>(seed) * 4.656613e-15f;
        // Damping and frequency corrected for the integrators' delay.
        const float e = 0.1667f * d * (f * f);
        const float fc = f - e;
        const float feedback = 2.f - (d - e);
        const T x = io.load(i);
        l = l + saturate(b) * fc;
        const T h = x * gi + n - b * 2.f + saturate(b * feedback) - l;
        b = b + saturate(h) * fc;
        if constexpr (m == 0)
            io.store(i, l * go);
        else if constexpr (m == 1)
            io.store(i, b * go);
        else if constexpr (m == 2)
            io.store(i, h * go);
        f += fStep;
        d += dStep;
        gi += giStep;
        go += goStep;
    }

    Io::keep(low, l);
    Io::keep(band, b);
    coef[coefF] = f;
    coef[coefD] = d;
    coef[coefGainIn] = gi;
    coef[coefGainOut] = go;
    noiseSeed = seed;
    endBlock();
}

template class AnalogModel<SVFAFilter, 3>;
