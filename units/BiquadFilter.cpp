#include "units/BiquadFilter.h"

#include "units/Limit.h"

#include <cmath>
#include <initializer_list>

namespace
{
constexpr double twoPi = 6.283185307179586;
constexpr double halfLn2 = 0.34657359027997264; // ln 2 / 2, converts octaves to the sinh argument
} // namespace

void BiquadFilter::setHighPass(double sampleRate, double frequency, double q, bool qForm)
{
    design(sampleRate, frequency, q, qForm, true);
}

void BiquadFilter::setLowPass(double sampleRate, double frequency, double q, bool qForm)
{
    design(sampleRate, frequency, q, qForm, false);
}

void BiquadFilter::design(double sampleRate, double frequency, double q, bool qForm, bool highPass)
{
    // A design without a usable rate or width would divide by zero and leave NaN
    // coefficients that poison every later sample; keep the previous design instead.
    if (!(sampleRate > 0.0) || !(q > 0.0) || !std::isfinite(frequency)) return;
    // A corner at or above Nyquist (a fixed corner at a very low host rate) has no stable
    // design; it is held safely below it.
    const double w0 = belowNyquist(frequency, sampleRate) * twoPi / sampleRate;
    const double s = std::sin(w0);
    const double c = std::cos(w0);
    if (!qForm && s == 0.0) return; // 0 Hz or exactly Nyquist: the bandwidth form is undefined there
    const double alpha = qForm ? s / (2.0 * q) : std::sinh(halfLn2 * q * w0 / s) * s;
    const double a0 = 1.0 + alpha;
    a1 = static_cast<float>(-2.0 * c / a0);
    a2 = static_cast<float>((1.0 - alpha) / a0);
    if (highPass) {
        const double b = (1.0 + c) * 0.5 / a0;
        b0 = static_cast<float>(b);
        b1 = static_cast<float>(-(1.0 + c) / a0);
        b2 = static_cast<float>(b);
    } else {
        const double b = (1.0 - c) * 0.5 / a0;
        b0 = static_cast<float>(b);
        b1 = static_cast<float>((1.0 - c) / a0);
        b2 = static_cast<float>(b);
    }
    flushDenormals();
}

void BiquadFilter::flushDenormals() noexcept
{
    for (float* k : {&b0, &b1, &b2, &a1, &a2})
        if (*k > -1e-15f && *k < 1e-15f) *k = 0.0f;
}
