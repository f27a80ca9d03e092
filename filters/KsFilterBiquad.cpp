#include "filters/KsFilterBiquad.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <typeinfo>

namespace
{
constexpr double twoPi = 6.283185307179586;
constexpr double halfLn2 = 0.34657359027997264;

// Whether a float is subnormal (non-zero and below the smallest normal magnitude); a
// comparison rather than fpclassify, which compiles to a chain of branches.
inline bool isSubnormal(float f) noexcept
{
    const float a = std::fabs(f);
    return a < std::numeric_limits<float>::min() && a != 0.f;
}

float flushDenormal(double v) noexcept
{
    const float f = static_cast<float>(v);
    return isSubnormal(f) ? 0.f : f;
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

namespace
{
// sinh through one exp where that is as accurate as the coefficients need (the
// subtraction loses at most a few bits of the double result for x of 0.1 upward, far below
// the float the coefficients are stored as), and about three times faster than std::sinh;
// small and very large arguments go to std::sinh.
double fastSinh(double x) noexcept
{
    if (x >= 0.1 && x <= 20.0) {
        const double e = std::exp(x);
        return 0.5 * (e - 1.0 / e);
    }
    return std::sinh(x);
}
} // namespace

bool KsFilterBiquad::designable() const noexcept
{
    return sampleRate > 0.f && cutoffHz > 0.f && std::isfinite(cutoffHz);
}

KsFilterBiquad::Trig KsFilterBiquad::trig() const noexcept
{
    const double w = twoPi * cutoffHz / sampleRate;
    return {w, std::sin(w), std::cos(w)};
}

bool KsFilterBiquad::design() noexcept
{
    // Without a usable rate or cutoff the previous coefficients stay in place.
    if (!designable()) return false;
    validDesign = false;
    design(trig());
    return validDesign;
}

void KsFilterBiquad::design(const Trig& t) noexcept
{
    const double q = 1.0 + 6.0 * resonance;
    const double w = t.w, s = t.s, c = t.c;
    const auto qForm = [&](double qq) { return s / (2.0 * qq); };
    const auto bandwidthForm = [&](double bw) { return s * fastSinh(halfLn2 * bw * w / s); };

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
        if (gainDb != peakGainDb) {
            peakGainDb = gainDb;
            peakA = std::sqrt(std::pow(10.0, gainDb / 20.0));
        }
        const double A = peakA;
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
    validDesign = true;
}

void KsFilterBiquad::prepareNow() noexcept
{
    prepareNow(designable() ? trig() : Trig{});
}

void KsFilterBiquad::prepareNow(const Trig& t) noexcept
{
    dirty = 0;
    if (designable()) {
        validDesign = false;
        design(t);
        if (validDesign) {
            designKey = currentKey();
            hasDesign = true;
        }
    }
    designedCutoff = cutoffHz;
    designedResonance = resonance;
}

void KsFilterBiquad::prepareBoth(KsFilterBiquad& first, KsFilterBiquad& second) noexcept
{
    // Sections at the same rate and cutoff share the angle and its sine and cosine.
    if (first.dirty && second.dirty && first.sampleRate == second.sampleRate &&
        first.cutoffHz == second.cutoffHz && first.designable()) {
        const Trig t = first.trig();
        first.prepareNow(t);
        second.prepareNow(t);
        return;
    }
    first.prepare();
    second.prepare();
}

void KsFilterBiquad::prepareLike(const KsFilterBiquad& designed) noexcept
{
    if (!dirty) return;
    const DesignKey key = currentKey();
    if (!designed.hasDesign || !(designed.designKey == key)) {
        prepareNow();
        return;
    }
    dirty = 0;
    b0 = designed.b0;
    b1 = designed.b1;
    b2 = designed.b2;
    a1 = designed.a1;
    a2 = designed.a2;
    designKey = key;
    hasDesign = true;
    designedCutoff = cutoffHz;
    designedResonance = resonance;
}

void KsFilterBiquad::guardHistory() noexcept
{
    // A runaway section (unstable settings or non-finite input) restarts from silence;
    // the inputs x1, x2 are kept.
    if (isSubnormal(y1) || !(std::fabs(y1) <= 1000.f) || !(std::fabs(y2) <= 1000.f)) y1 = y2 = 0.f;
}

void KsFilterBiquad::process(float* buffer, int frames) noexcept
{
    prepare();
    const float c0 = b0, c1 = b1, c2 = b2, d1 = a1, d2 = a2;
    float lx1 = x1, lx2 = x2, ly1 = y1, ly2 = y2;
    for (int i = 0; i < frames; ++i) {
        const float x = buffer[i];
        // The older output enters first, which shortens the chain from one sample to the next.
        const float y = c0 * x + c1 * lx1 + c2 * lx2 - d2 * ly2 - d1 * ly1;
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
    if (!isExactly<KsFilterBiquad>(partner)) {
        KsFilter::processStereo(left, right, frames, partner);
        return;
    }
    auto& other = static_cast<KsFilterBiquad&>(partner);
    prepare();
    other.prepareLike(*this);
    filterPair(*this, other, left, right, frames);
}

void KsFilterBiquad::filterPair(KsFilterBiquad& l, KsFilterBiquad& other, float* left, float* right,
                                int frames) noexcept
{
    // Both channels side by side in the lanes of one vector: the same operations in the
    // same order as process, so each channel's result is identical to it.
    typedef float Pair __attribute__((vector_size(8)));
    const Pair c0{l.b0, other.b0}, c1{l.b1, other.b1}, c2{l.b2, other.b2}, d1{l.a1, other.a1},
        d2{l.a2, other.a2};
    Pair px1{l.x1, other.x1}, px2{l.x2, other.x2}, py1{l.y1, other.y1}, py2{l.y2, other.y2};
    int i = 0;
    // Two frames per round, so that the history shifts become renamings.
    for (; i + 1 < frames; i += 2) {
        const Pair xa{left[i], right[i]};
        const Pair xb{left[i + 1], right[i + 1]};
        const Pair ya = c0 * xa + c1 * px1 + c2 * px2 - d2 * py2 - d1 * py1;
        const Pair yb = c0 * xb + c1 * xa + c2 * px1 - d2 * py1 - d1 * ya;
        px2 = xa;
        px1 = xb;
        py2 = ya;
        py1 = yb;
        left[i] = ya[0];
        right[i] = ya[1];
        left[i + 1] = yb[0];
        right[i + 1] = yb[1];
    }
    if (i < frames) {
        const Pair x{left[i], right[i]};
        const Pair y = c0 * x + c1 * px1 + c2 * px2 - d2 * py2 - d1 * py1;
        px2 = px1;
        px1 = x;
        py2 = py1;
        py1 = y;
        left[i] = y[0];
        right[i] = y[1];
    }
    l.x1 = px1[0];
    l.x2 = px2[0];
    l.y1 = py1[0];
    l.y2 = py2[0];
    other.x1 = px1[1];
    other.x2 = px2[1];
    other.y1 = py1[1];
    other.y2 = py2[1];
    l.guardHistory();
    other.guardHistory();
}

void KsFilterBiquad::processCascade(KsFilterBiquad& first, KsFilterBiquad& firstRight, KsFilterBiquad& second,
                                    KsFilterBiquad& secondRight, float* left, float* right,
                                    int frames) noexcept
{
    prepareBoth(first, second);
    firstRight.prepareLike(first);
    secondRight.prepareLike(second);
    // One section after the other over the chunk, each with both channels side by side:
    // each loop keeps all its coefficients and history in registers.
    filterPair(first, firstRight, left, right, frames);
    filterPair(second, secondRight, left, right, frames);
}
