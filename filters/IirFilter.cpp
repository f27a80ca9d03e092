#include "filters/IirFilter.h"

#include "units/Limit.h"

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
    // Prewarp so that the analog cutoff lands on fc after the transform. The sections of
    // one design share fs and fc, so the tangent is kept for the next section. The tangent
    // runs off to infinity at Nyquist, so the cutoff is held safely below it.
    if (fs != warpFs || fc != warpFc) {
        warpFs = fs;
        warpFc = fc;
        warp = 2.0 * fs * std::tan(pi * belowNyquist(fc, fs) / fs);
    }
    const double wp = warp;
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

void IirFilter::copyDesign(const IirFilter& other) noexcept
{
    sectionCount = other.sectionCount;
    gain = other.gain;
    for (int k = 0; k < maxSections; ++k) {
        sections[k].beta1 = other.sections[k].beta1;
        sections[k].beta2 = other.sections[k].beta2;
        sections[k].alpha1 = other.sections[k].alpha1;
        sections[k].alpha2 = other.sections[k].alpha2;
    }
}

void IirFilter::clearHistory() noexcept
{
    for (Section& s : sections)
        s.h1 = s.h2 = 0.f;
}

void IirFilter::process(float* buffer, int frames) noexcept
{
    const int count = sectionCount;
    for (int k = 0; k < count; ++k) {
        // One section over the whole buffer at a time, its history held in locals.
        Section& s = sections[k];
        const float b1 = s.beta1, b2 = s.beta2, a1 = s.alpha1, a2 = s.alpha2;
        const float g = k == 0 ? gain : 1.f;
        float h1 = s.h1, h2 = s.h2;
        for (int i = 0; i < frames; ++i) {
            const float v = buffer[i] * g;
            const float w = v - h2 * b2 - h1 * b1;
            buffer[i] = w + h1 * a1 + h2 * a2;
            h2 = h1;
            h1 = w;
        }
        s.h1 = std::fabs(h1) >= 1e-15f ? h1 : 0.f;
        s.h2 = std::fabs(h2) >= 1e-15f ? h2 : 0.f;
    }
    if (count == 0)
        for (int i = 0; i < frames; ++i)
            buffer[i] *= gain;
}

void IirFilter::processStereo(IirFilter& other, float* left, float* right, int frames) noexcept
{
    if (sectionCount != 2 || other.sectionCount != 2) {
        process(left, frames);
        other.process(right, frames);
        return;
    }
    // Two sections, both channels side by side: the four recursions overlap.
    typedef float Pair __attribute__((vector_size(8)));
    Section& sa = sections[0];
    Section& sb = sections[1];
    Section& ra = other.sections[0];
    Section& rb = other.sections[1];
    const Pair g{gain, other.gain};
    const Pair ab1{sa.beta1, ra.beta1}, ab2{sa.beta2, ra.beta2}, aa1{sa.alpha1, ra.alpha1},
        aa2{sa.alpha2, ra.alpha2};
    const Pair bb1{sb.beta1, rb.beta1}, bb2{sb.beta2, rb.beta2}, ba1{sb.alpha1, rb.alpha1},
        ba2{sb.alpha2, rb.alpha2};
    Pair h1{sa.h1, ra.h1}, h2{sa.h2, ra.h2}, k1{sb.h1, rb.h1}, k2{sb.h2, rb.h2};
    for (int i = 0; i < frames; ++i) {
        const Pair v = Pair{left[i], right[i]} * g;
        const Pair w = v - h2 * ab2 - h1 * ab1;
        const Pair u = w + h1 * aa1 + h2 * aa2;
        h2 = h1;
        h1 = w;
        const Pair w2 = u - k2 * bb2 - k1 * bb1;
        const Pair out = w2 + k1 * ba1 + k2 * ba2;
        k2 = k1;
        k1 = w2;
        left[i] = out[0];
        right[i] = out[1];
    }
    const auto keep = [](float v) { return std::fabs(v) >= 1e-15f ? v : 0.f; };
    sa.h1 = keep(h1[0]), sa.h2 = keep(h2[0]), ra.h1 = keep(h1[1]), ra.h2 = keep(h2[1]);
    sb.h1 = keep(k1[0]), sb.h2 = keep(k2[0]), rb.h1 = keep(k1[1]), rb.h2 = keep(k2[1]);
}
