#include "filters/KsFilterBiquad.h"

#include "units/BiquadCascade.h"
#include "units/Limit.h"

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
    return trigAt(cutoffHz);
}

KsFilterBiquad::Trig KsFilterBiquad::trigAt(float hz) const noexcept
{
    // The design frequency is held safely below Nyquist: a cutoff at or beyond it (16 kHz at a
    // 32 kHz rate or below) gives a sine of 0 or below and no stable section.
    const double f = belowNyquist(static_cast<double>(hz), static_cast<double>(sampleRate));
    const double w = twoPi * f / sampleRate;
    return {w, std::sin(w), std::cos(w), f};
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
        alpha = bandwidthForm(std::max(2.0, 200.0 * resonance) / t.hz);
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
    validDesign = false;
    if (designable()) design(t);
    designed();
}

namespace
{
typedef double Two __attribute__((vector_size(16)));
} // namespace

// The operations of design for a band-pass and a peaking section, in the same order, with
// the band-pass in lane 0 and the peaking section in lane 1 of two-lane vectors: the
// bandwidth-form arguments, the sinh reciprocals and the ten normalising divisions then take
// one vector division each instead of one scalar division per lane. Every lane rounds
// exactly as the scalar code does, so the coefficients are the same. The work comes in two
// stages (the alphas, then the coefficients), so that a caller can place other work between
// them; of the sections only pk's peaking gain cache changes.
struct KsFilterBiquad::BandPassPeaking {
    double c = 0.0, A = 1.0;
    Two alpha{};

    void alphas(const KsFilterBiquad& bp, KsFilterBiquad& pk, const Trig& t) noexcept
    {
        const double w = t.w, s = t.s;
        c = t.c;
        const double qBp = 1.0 + 6.0 * bp.resonance;
        const double bandwidth = bp.variant == 4 ? qBp * 3.0 : qBp;
        const double qPk = 1.0 + 6.0 * pk.resonance;
        const double gainDb =
            (pk.variant == 1 || pk.variant == 2) ? qPk * 3.0 : (pk.variant == 4 ? qPk * 4.0 : qPk);
        if (gainDb != pk.peakGainDb) {
            pk.peakGainDb = gainDb;
            pk.peakA = std::sqrt(std::pow(10.0, gainDb / 20.0));
        }
        A = pk.peakA;
        // bandwidthForm: s x fastSinh(halfLn2 x B x w / s), B = bandwidth and 1.0.
        const Two x = Two{halfLn2, halfLn2} * Two{bandwidth, 1.0} * w / s;
        const bool fast0 = x[0] >= 0.1 && x[0] <= 20.0, fast1 = x[1] >= 0.1 && x[1] <= 20.0;
        const Two e{fast0 ? std::exp(x[0]) : 1.0, fast1 ? std::exp(x[1]) : 1.0};
        const Two viaExp = 0.5 * (e - 1.0 / e);
        const Two sh{fast0 ? viaExp[0] : std::sinh(x[0]), fast1 ? viaExp[1] : std::sinh(x[1])};
        alpha = s * sh;
    }

    void coefficients(Coefficients& bpOut, Coefficients& pkOut) const noexcept
    {
        typedef float TwoF __attribute__((vector_size(8)));
        const double alphaBp = alpha[0], alphaA = alpha[1] * A, alphaOverA = alpha[1] / A;
        const Two a0{1.0 + alphaBp, 1.0 + alphaOverA};
        const Two nb0{alphaBp, 1.0 + alphaA};
        const Two nb1{0.0, -2.0 * c};
        const Two nb2{-alphaBp, 1.0 - alphaA};
        const Two na1 = Two{-2.0, -2.0} * c;
        const Two na2{1.0 - alphaBp, 1.0 - alphaOverA};
        const auto flushed = [](Two v) {
            const TwoF f = __builtin_convertvector(v, TwoF);
            return TwoF{isSubnormal(f[0]) ? 0.f : f[0], isSubnormal(f[1]) ? 0.f : f[1]};
        };
        const TwoF fb0 = flushed(nb0 / a0), fb1 = flushed(nb1 / a0), fb2 = flushed(nb2 / a0);
        const TwoF fa1 = flushed(na1 / a0), fa2 = flushed(na2 / a0);
        bpOut = {fb0[0], fb1[0], fb2[0], fa1[0], fa2[0]};
        pkOut = {fb0[1], fb1[1], fb2[1], fa1[1], fa2[1]};
    }
};

void KsFilterBiquad::install(const Coefficients& k) noexcept
{
    b0 = k.b0, b1 = k.b1, b2 = k.b2, a1 = k.a1, a2 = k.a2;
    validDesign = true;
    designed();
}

bool KsFilterBiquad::sameSettings(const KsFilterBiquad& o) const noexcept
{
    return sampleRate == o.sampleRate && resonance == o.resonance && mode == o.mode && variant == o.variant;
}

void KsFilterBiquad::designed() noexcept
{
    dirty = 0;
    if (validDesign) {
        designKey = currentKey();
        hasDesign = true;
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
        if (first.mode == bandPass && second.mode == peaking) {
            BandPassPeaking d;
            Coefficients bp, pk;
            d.alphas(first, second, t);
            d.coefficients(bp, pk);
            first.install(bp);
            second.install(pk);
            return;
        }
        first.prepareNow(t);
        second.prepareNow(t);
        return;
    }
    first.prepare();
    second.prepare();
}

void KsFilterBiquad::prepareLike(const KsFilterBiquad& source) noexcept
{
    if (!dirty) return;
    // The fields compared one by one: a key built on the stack and compared as a whole
    // costs a store-forwarding stall on every chunk.
    const DesignKey& k = source.designKey;
    if (!source.hasDesign || k.sampleRate != sampleRate || k.cutoffHz != cutoffHz ||
        k.resonance != resonance || k.mode != mode || k.variant != variant) {
        prepareNow();
        return;
    }
    dirty = 0;
    b0 = source.b0;
    b1 = source.b1;
    b2 = source.b2;
    a1 = source.a1;
    a2 = source.a2;
    designKey = currentKey();
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

namespace
{

// The two sections of both channels in one skewed four-lane vector (see BiquadCascade.h):
// lanes 0 and 1 the first section, lanes 2 and 3 the second, in the sections' own rounding
// order, so each channel's result is identical to running the sections one after the other.
using Cascade = biquad_cascade::Stages<KsFilterBiquad, biquad_cascade::Order::a2First>;

// Stores the histories, with guardHistory on the four lanes at once: a section whose y1 is
// subnormal or whose y1 or y2 is beyond +-1000 or not a number restarts from silence.
void finish(Cascade& c, KsFilterBiquad* const* sections) noexcept
{
    typedef int Lanes __attribute__((vector_size(16)));
    const auto absolute = [](biquad_cascade::Lanes v) {
        return (biquad_cascade::Lanes)((Lanes)v & 0x7fffffff);
    };
    const biquad_cascade::Lanes m1 = absolute(c.y1), m2 = absolute(c.y2);
    const Lanes runaway =
        (m1 < std::numeric_limits<float>::min() && m1 != 0.f) | ~(m1 <= 1000.f) | ~(m2 <= 1000.f);
    c.y1 = (biquad_cascade::Lanes)((Lanes)c.y1 & ~runaway);
    c.y2 = (biquad_cascade::Lanes)((Lanes)c.y2 & ~runaway);
    c.store(sections);
}

} // namespace

void KsFilterBiquad::processCascade(KsFilterBiquad& first, KsFilterBiquad& firstRight, KsFilterBiquad& second,
                                    KsFilterBiquad& secondRight, float* left, float* right,
                                    int frames) noexcept
{
    prepareBoth(first, second);
    firstRight.prepareLike(first);
    secondRight.prepareLike(second);
    KsFilterBiquad* const sections[4] = {&first, &firstRight, &second, &secondRight};
    Cascade cascade(sections);
    cascade.head(left, right, frames);
    cascade.middle(left, right, biquad_cascade::lag, frames);
    cascade.tail(left, right, frames);
    finish(cascade, sections);
}

void KsFilterBiquad::processCascadeThenSetCutoff(KsFilterBiquad& first, KsFilterBiquad& firstRight,
                                                 KsFilterBiquad& second, KsFilterBiquad& secondRight,
                                                 float* left, float* right, int frames, float hz) noexcept
{
    prepareBoth(first, second);
    firstRight.prepareLike(first);
    secondRight.prepareLike(second);
    // The next design (the one prepareBoth on the left sections would make after
    // setCutoffHz, with the right ones taking it over) depends on hz and the settings only.
    // Made after the filtering, its long chain of dependent steps (sine, exponentials,
    // divisions) and the filter recursion would wait on each other; so its stages go between
    // pieces of the filtering, where the two chains run side by side. It is installed as
    // that design; any later setting marks the sections dirty again as usual.
    const bool ahead = first.mode == bandPass && second.mode == peaking &&
                       first.sampleRate == second.sampleRate && first.sampleRate > 0.f && hz > 0.f &&
                       std::isfinite(hz) && firstRight.sameSettings(first) &&
                       secondRight.sameSettings(second);
    KsFilterBiquad* const sections[4] = {&first, &firstRight, &second, &secondRight};
    Cascade cascade(sections);
    if (!ahead) {
        cascade.head(left, right, frames);
        cascade.middle(left, right, biquad_cascade::lag, frames);
        cascade.tail(left, right, frames);
        finish(cascade, sections);
        first.setCutoffHz(hz);
        second.setCutoffHz(hz);
        firstRight.setCutoffHz(hz);
        secondRight.setCutoffHz(hz);
        return;
    }
    const int split = std::max(biquad_cascade::lag, std::min(frames, 10));
    cascade.head(left, right, frames);
    const Trig t = first.trigAt(hz);
    cascade.middle(left, right, biquad_cascade::lag, split);
    BandPassPeaking d;
    d.alphas(first, second, t);
    cascade.middle(left, right, split, frames);
    Coefficients bp, pk;
    d.coefficients(bp, pk);
    cascade.tail(left, right, frames);
    finish(cascade, sections);
    first.setCutoffHz(hz);
    second.setCutoffHz(hz);
    firstRight.setCutoffHz(hz);
    secondRight.setCutoffHz(hz);
    first.install(bp);
    firstRight.install(bp);
    second.install(pk);
    secondRight.install(pk);
}
