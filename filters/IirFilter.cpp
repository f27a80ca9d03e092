#include "filters/IirFilter.h"

#include <cmath>

namespace
{
constexpr double pi = 3.141592653589793;

double flushTiny(double v) noexcept
{
    return std::fabs(v) < 1e-15 ? 0.0 : v;
}
} // namespace

void IirFilter::beginDesign() noexcept
{
    designGain = 1.0;
    sectionCount = 0;
}

void IirFilter::addAnalogSection(double a0, double a1, double a2, double b0, double b1, double b2, double fs,
                                 double fc) noexcept
{
    if (sectionCount >= maxSections) return;
    // Prewarp so that the analog cutoff lands on fc after the transform.
    const double wp = 2.0 * fs * std::tan(pi * fc / fs);
    a1 /= wp;
    a2 /= wp * wp;
    b1 /= wp;
    b2 /= wp * wp;

    const double fs2 = fs * fs;
    const double ad = 4.0 * a2 * fs2, ac = 2.0 * a1 * fs;
    const double bd = 4.0 * b2 * fs2, bc = 2.0 * b1 * fs;
    const double d = bd + bc + b0;
    const double n = ad + ac + a0;
    designGain = designGain * n / d;

    Section& s = sections[sectionCount++];
    s.beta1 = static_cast<float>(flushTiny((2.0 * b0 - 8.0 * b2 * fs2) / d));
    s.beta2 = static_cast<float>(flushTiny((bd - bc + b0) / d));
    s.alpha1 = static_cast<float>(flushTiny((2.0 * a0 - 8.0 * a2 * fs2) / n));
    s.alpha2 = static_cast<float>(flushTiny((ad - ac + a0) / n));
}

void IirFilter::endDesign() noexcept
{
    gain = static_cast<float>(flushTiny(designGain));
}

void IirFilter::clearHistory() noexcept
{
    for (Section& s : sections)
        s.h1 = s.h2 = 0.f;
}

void IirFilter::process(float* buffer, int frames) noexcept
{
    const int count = sectionCount;
    for (int i = 0; i < frames; ++i) {
        float v = buffer[i] * gain;
        for (int k = 0; k < count; ++k) {
            Section& s = sections[k];
            const float w = v - s.h1 * s.beta1 - s.h2 * s.beta2;
            v = w + s.h1 * s.alpha1 + s.h2 * s.alpha2;
            s.h2 = s.h1;
            s.h1 = w;
        }
        buffer[i] = v;
    }
    for (int k = 0; k < count; ++k) {
        Section& s = sections[k];
        if (!(std::fabs(s.h1) >= 1e-15f)) s.h1 = 0.f;
        if (!(std::fabs(s.h2) >= 1e-15f)) s.h2 = 0.f;
    }
}
