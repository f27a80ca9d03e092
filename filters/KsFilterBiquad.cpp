#include "filters/KsFilterBiquad.h"

#include <algorithm>
#include <cmath>
#include <typeinfo>

namespace
{
constexpr double twoPi = 6.283185307179586;
constexpr double halfLn2 = 0.34657359027997264;

float flushDenormal(double v) noexcept
{
    const float f = static_cast<float>(v);
    return std::fpclassify(f) == FP_SUBNORMAL ? 0.f : f;
}
} // namespace

float noteToHz(float note) noexcept
{
    return 440.f * std::exp2((note - 69.f) * (1.f / 12.f));
}

KsFilterBiquad::KsFilterBiquad(int32_t initialMode, int32_t initialVariant) noexcept
{
    mode = initialMode;
    variant = initialVariant;
}

void KsFilterBiquad::reset() noexcept
{
    dirty = 1;
    designedCutoff = cutoffHz;
    designedResonance = resonance;
    y1 = y2 = x1 = x2 = 0.f;
}

void KsFilterBiquad::setCutoff(float note) noexcept
{
    cutoffHz = noteToHz(note);
    dirty = 1;
}

void KsFilterBiquad::setResonance(float r) noexcept
{
    resonance = r;
    dirty = 1;
}

void KsFilterBiquad::setMode(int32_t m) noexcept
{
    mode = m;
    dirty = 1;
}

void KsFilterBiquad::design() noexcept
{
    // Without a usable rate or cutoff the previous coefficients stay in place.
    if (!(sampleRate > 0.f) || !(cutoffHz > 0.f) || !std::isfinite(cutoffHz)) return;

    const double q = 1.0 + 6.0 * resonance;
    const double w = twoPi * cutoffHz / sampleRate;
    const double s = std::sin(w);
    const double c = std::cos(w);
    const auto qForm = [&](double qq) { return s / (2.0 * qq); };
    const auto bandwidthForm = [&](double bw) { return s * std::sinh(halfLn2 * bw * w / s); };

    double alpha = 0.0;
    double a0 = 0.0, na2 = 0.0; // set below unless the mode chooses its own
    double nb0 = 0.0, nb1 = 0.0, nb2 = 0.0;
    switch (mode) {
    case lowPass:
        alpha = qForm(q);
        nb0 = nb2 = (1.0 - c) * 0.5;
        nb1 = 1.0 - c;
        break;
    case bandPass:
        alpha = bandwidthForm(variant == 4 ? q * 3.0 : q);
        nb0 = alpha;
        nb2 = -alpha;
        break;
    case highPass:
        alpha = qForm(variant == 3 ? q * 3.0 : q);
        nb0 = nb2 = (1.0 + c) * 0.5;
        nb1 = -(1.0 + c);
        break;
    case notch:
        alpha = bandwidthForm(q - 0.99);
        nb0 = nb2 = 1.0;
        nb1 = -2.0 * c;
        break;
    case peaking: {
        alpha = bandwidthForm(1.0);
        const double gainDb = (variant == 1 || variant == 2) ? q * 3.0 : (variant == 4 ? q * 4.0 : q);
        const double A = std::sqrt(std::pow(10.0, gainDb / 20.0));
        nb0 = 1.0 + alpha * A;
        nb1 = -2.0 * c;
        nb2 = 1.0 - alpha * A;
        a0 = 1.0 + alpha / A;
        na2 = 1.0 - alpha / A;
        break;
    }
    case allPass:
        alpha = bandwidthForm(q);
        nb0 = 1.0 - alpha;
        nb1 = -2.0 * c;
        nb2 = 1.0 + alpha;
        break;
    case formant: {
        // Bandwidth of a fixed number of Hz, expressed in octaves at the cutoff.
        alpha = bandwidthForm(std::max(2.0, 200.0 * resonance) / cutoffHz);
        const double g = 2.0 * resonance;
        nb0 = g * alpha;
        nb2 = -g * alpha;
        break;
    }
    default:
        return;
    }
    if (mode != peaking) {
        a0 = 1.0 + alpha;
        na2 = 1.0 - alpha;
    }
    b0 = flushDenormal(nb0 / a0);
    b1 = flushDenormal(nb1 / a0);
    b2 = flushDenormal(nb2 / a0);
    a1 = flushDenormal(-2.0 * c / a0);
    a2 = flushDenormal(na2 / a0);
}

void KsFilterBiquad::prepare() noexcept
{
    if (!dirty) return;
    dirty = 0;
    design();
    designedCutoff = cutoffHz;
    designedResonance = resonance;
}

void KsFilterBiquad::guardHistory() noexcept
{
    // A runaway section (unstable settings or non-finite input) restarts from silence;
    // the inputs x1, x2 are kept.
    if (std::fpclassify(y1) == FP_SUBNORMAL || !(std::fabs(y1) <= 1000.f) || !(std::fabs(y2) <= 1000.f))
        y1 = y2 = 0.f;
}

void KsFilterBiquad::process(float* buffer, int frames) noexcept
{
    prepare();
    float lx1 = x1, lx2 = x2, ly1 = y1, ly2 = y2;
    for (int i = 0; i < frames; ++i) {
        const float x = buffer[i];
        const float y = b0 * x + b1 * lx1 + b2 * lx2 - a1 * ly1 - a2 * ly2;
        lx2 = lx1;
        lx1 = x;
        ly2 = ly1;
        ly1 = y;
        buffer[i] = y;
    }
    x1 = lx1;
    x2 = lx2;
    y1 = ly1;
    y2 = ly2;
    guardHistory();
}

void KsFilterBiquad::processStereo(float* left, float* right, int frames, KsFilter& partner) noexcept
{
    if (typeid(partner) != typeid(KsFilterBiquad)) {
        KsFilter::processStereo(left, right, frames, partner);
        return;
    }
    // Two independent recursions in one loop so that they overlap in the pipeline.
    auto& other = static_cast<KsFilterBiquad&>(partner);
    prepare();
    other.prepare();
    float lx1 = x1, lx2 = x2, ly1 = y1, ly2 = y2;
    float rx1 = other.x1, rx2 = other.x2, ry1 = other.y1, ry2 = other.y2;
    const float rb0 = other.b0, rb1 = other.b1, rb2 = other.b2, ra1 = other.a1, ra2 = other.a2;
    for (int i = 0; i < frames; ++i) {
        const float xl = left[i];
        const float yl = b0 * xl + b1 * lx1 + b2 * lx2 - a1 * ly1 - a2 * ly2;
        lx2 = lx1;
        lx1 = xl;
        ly2 = ly1;
        ly1 = yl;
        left[i] = yl;
        const float xr = right[i];
        const float yr = rb0 * xr + rb1 * rx1 + rb2 * rx2 - ra1 * ry1 - ra2 * ry2;
        rx2 = rx1;
        rx1 = xr;
        ry2 = ry1;
        ry1 = yr;
        right[i] = yr;
    }
    x1 = lx1;
    x2 = lx2;
    y1 = ly1;
    y2 = ly2;
    other.x1 = rx1;
    other.x2 = rx2;
    other.y1 = ry1;
    other.y2 = ry2;
    guardHistory();
    other.guardHistory();
}
