#include "filters/MS20AFilter.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <numbers>

using analog::Saturated;

namespace
{

// The diode clipper: solves t / 10000 - a / 4700 + (exp(t / 0.05) - 1) * 1e-9 = 0 for the
// node voltage u (t = u - a, a = |v|) by Newton's method, limits it to 8 and restores the sign.
// The search starts from 1.5 * |v| for either sign: started from a negative guess, the first
// step overshoots far into the exponential region and the iteration limit ends the search
// before it converges, which would leave the negative half of the curve clipped early.
double diodeClipper(double v)
{
    const double a = std::fabs(v);
    double u = 1.5 * a;
    for (int i = 0; i < 250; ++i) {
        const double t = u - a;
        const double e = std::exp(t * 0.5 / 0.025);
        const double slope = e * 2e-8 + 0.0001;
        if (std::fabs(slope) < 1e-6 || !std::isfinite(slope)) break;
        const double s = (t / 10000.0 - a / 4700.0 + (e - 1.0) * 1e-9) / slope;
        if (std::fabs(s) < 1e-6 || !std::isfinite(s)) break;
        u -= s;
    }
    u = std::min(u, 8.0);
    return v < 0 ? -u : u;
}

using DiodeSegment = MS20AFilter::DiodeSegment;

struct DiodeTable {
    std::array<float, MS20AFilter::diodeTableSize> values;
    std::array<DiodeSegment, MS20AFilter::diodeTableSize - 1> segments;
    DiodeTable()
    {
        for (int i = 0; i < MS20AFilter::diodeTableSize; ++i)
            values[i] = static_cast<float>(diodeClipper((i - 2048) / 128.0));
        // Scale to slope 1 at 0.
        const float scale = (1.f / 128.f) / (values[2049] - values[2048]);
        for (float& x : values)
            x *= scale;
        for (size_t i = 0; i < segments.size(); ++i)
            segments[i] = {values[i], values[i + 1] - values[i]};
    }
};

const DiodeTable& sharedDiodeTable()
{
    static const DiodeTable table;
    return table;
}

// Lookup with linear interpolation at p = 128 * v + 2048; p is limited to the table (a NaN
// argument gives its upper end), so any input is safe.
inline float diodeAt(const DiodeSegment* table, float p) noexcept
{
    p = analog::lowerLimit(analog::upperLimit(p, 4098.f), 0.f);
    const int i = static_cast<int>(p);
    return table[i].value + table[i].slope * (p - static_cast<float>(i));
}

#if defined(__GNUC__) && !defined(ORVANE_ANALOG_NO_VECTOR)
inline analog::Lanes diodeAt(const DiodeSegment* table, analog::Lanes p) noexcept
{
    using analog::LaneInts;
    using analog::Lanes;
    p = analog::lowerLimit(analog::upperLimit(p, 4098.f), 0.f);
    const LaneInts i = __builtin_convertvector(p, LaneInts);
    const DiodeSegment s0 = table[i[0]], s1 = table[i[1]], s2 = table[i[2]], s3 = table[i[3]];
    const Lanes value{s0.value, s1.value, s2.value, s3.value};
    const Lanes slope{s0.slope, s1.slope, s2.slope, s3.slope};
    return value + slope * (p - __builtin_convertvector(i, Lanes));
}
#else
inline analog::Lanes diodeAt(const DiodeSegment* table, analog::Lanes p) noexcept
{
    for (int k = 0; k < 4; ++k)
        p[k] = diodeAt(table, p[k]);
    return p;
}
#endif

} // namespace

const float* MS20AFilter::diodeTable() noexcept
{
    return sharedDiodeTable().values.data();
}

float MS20AFilter::diode(float v) noexcept
{
    return diodeAt(sharedDiodeTable().segments.data(), v * 128.f + 2048.f);
}

MS20AFilter::MS20AFilter()
{
    classId = 9;
    table = sharedDiodeTable().segments.data();
}

void MS20AFilter::setMode(int32_t m) noexcept
{
    mode = m;
}

void MS20AFilter::reset() noexcept
{
    resetSettings();
    std::fill(std::begin(s1), std::end(s1), 0.f);
    std::fill(std::begin(s2), std::end(s2), 0.f);
    coef[coefF] = 0.f;
    coef[coefK] = 0.f;
}

void MS20AFilter::design(const Settings& s, float* out) const noexcept
{
    const double fn = analog::octavesToHz(s.octaves) / s.sampleRate;
    const float f = 2.f * std::sin(static_cast<float>(std::min(std::numbers::pi * fn, 1.2566371)));
    const float kr = std::clamp(2.f * s.resonance, 0.f, 4.f);
    // Pull the resonance back where it would run away at high cutoff.
    out[coefK] = kr - std::max(0.f, 1.5f * f * kr - (2.f * kr + 1.f));
    out[coefGainIn] = s.drive * 0.1f;
    out[coefF] = f;
    out[coefGainOut] = 10.f / ((s.drive - 1.f) * 0.2f + 1.f);
}

template <int M, class Io> void MS20AFilter::runMode(Io io, int frames) noexcept
{
    using T = typename Io::T;
    if (!beginBlock(frames)) return;
    T a1 = Io::state(s1), a2 = Io::state(s2);
    float k = coef[coefK], gi = coef[coefGainIn], f = coef[coefF], go = coef[coefGainOut];
    const float kStep = coefStep[coefK], giStep = coefStep[coefGainIn];
    const float fStep = coefStep[coefF], goStep = coefStep[coefGainOut];
    constexpr int m = M;
    uint32_t seed = noiseSeed;

    for (int i = 0; i < frames; ++i) {
        seed = analog::nextNoise(seed);
        const T u = io.load(i) * gi + static_cast<float>(seed) * 4.656613e-15f;
        // 128 * (k * s2) + 2048: scaling k by 128 first gives the same product exactly.
        const T fb = diodeAt(table, a2 * (k * 128.f) + 2048.f);
        // The high-pass feeds the input to the second stage only. The second stage's input
        // is formed from the first stage's saturated parts directly, so the chain runs from
        // saturator to saturator.
        const Saturated<T> in1((m == 2 ? -a1 : -u - a1) - fb);
        T base2 = a1 * 0.5f + fb - a2;
        if constexpr (m == 1)
            base2 = base2 + u;
        else if constexpr (m == 2)
            base2 = base2 - u;
        const T old1 = a1;
        a1 = in1.addScaled(a1, f);
        const Saturated<T> in2(in1.addScaled(base2 + old1 * 0.5f, f * 0.5f));
        const T old2 = a2;
        a2 = in2.addScaled(a2, f);
        if constexpr (m == 2)
            io.store(i, (a2 * 0.5f + u + old2 * 0.5f) * go);
        else if constexpr (m >= 0)
            io.store(i, (old2 * 0.5f + a2 * 0.5f) * go);
        k += kStep;
        gi += giStep;
        f += fStep;
        go += goStep;
    }

    Io::keep(s1, a1);
    Io::keep(s2, a2);
    coef[coefK] = k;
    coef[coefGainIn] = gi;
    coef[coefF] = f;
    coef[coefGainOut] = go;
    noiseSeed = seed;
    endBlock();
}

template class AnalogModel<MS20AFilter, 3>;
