#include "units/StereoDelay.h"

#include "units/Limit.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace
{
constexpr float lineSeconds = 24.0f;
// Lines are sized for at most this rate (73 MB for both); faster hosts get shorter lines.
constexpr float maxLineRate = 384000.0f;
constexpr double highPassHz = 300.0;
constexpr double octaves = 1.5;
constexpr float noCutoff = 16000.0f;

float* allocateLine(int n)
{
    return new (std::nothrow) float[static_cast<size_t>(n)];
}
} // namespace

StereoDelay::StereoDelay()
{
    reset();
}

void StereoDelay::setSampleRate(float sr)
{
    if (!(sr > 0.0f) || !std::isfinite(sr)) return;
    sampleRate = sr;
    leftBuffer.reset();
    rightBuffer.reset();
    capacity = std::max(static_cast<int>(lineSeconds * std::min(sr, maxLineRate)), 1);
    leftBuffer.reset(allocateLine(capacity));
    rightBuffer.reset(allocateLine(capacity));
    if (!leftBuffer || !rightBuffer) {
        // Out of memory: run without lines (audio passes unchanged) rather than fail.
        leftBuffer.reset();
        rightBuffer.reset();
        capacity = 0;
    }
    highPassL.setHighPass(sr, highPassHz, octaves, false);
    highPassR.setHighPass(sr, highPassHz, octaves, false);
    // The low-passes follow the rate at once rather than waiting for the next cutoff change.
    if (lastCutoff != noCutoff) designLowPasses();
    reset();
}

void StereoDelay::reset() noexcept
{
    leftIndex = 0;
    rightIndex = 0;
    lowPassL.clearState();
    lowPassR.clearState();
    highPassL.clearState();
    highPassR.clearState();
    if (leftBuffer && rightBuffer) {
        std::fill_n(leftBuffer.get(), capacity, 0.0f);
        std::fill_n(rightBuffer.get(), capacity, 0.0f);
    }
}

void StereoDelay::setLeftRate(float hz) noexcept
{
    leftRate = limitTo(hz, 0.0f, 1e9f);
}

void StereoDelay::setRightRate(float hz) noexcept
{
    rightRate = limitTo(hz, 0.0f, 1e9f);
}

double StereoDelay::cutoffHz(float v) noexcept
{
    if (v >= 1.0f) return 16000.0;
    if (!(v > 0.0f)) return 80.0;
    double t = -0.25 * std::log10(1.0 - static_cast<double>(v));
    t = std::min(t, 1.0);
    if (t < 1.0000000116860974e-7) t = 0.0;
    return t * 15920.0 + 80.0;
}

void StereoDelay::setCutoff(float v) noexcept
{
    v = limitTo(v, 0.0f, 1.0f);
    if (v == lastCutoff) return;
    lastCutoff = v;
    designLowPasses();
}

void StereoDelay::designLowPasses() noexcept
{
    if (sampleRate <= 0.0f) return;
    // Kept below Nyquist so that hosts running under 35.6 kHz still get a low-pass.
    const double hz = std::min(cutoffHz(lastCutoff), 0.45 * sampleRate);
    lowPassL.setLowPass(sampleRate, hz, octaves, false);
    lowPassR.setLowPass(sampleRate, hz, octaves, false);
}

int StereoDelay::lineLength(float rate) const noexcept
{
    if (!(rate > 0.0f)) return std::max(capacity, 1);
    const float period = sampleRate / rate;
    if (!(period < static_cast<float>(capacity))) return std::max(capacity, 1);
    return std::max(static_cast<int>(period), 1);
}

void StereoDelay::process(float* left, float* right, int frames, float mixValue, float feedbackValue,
                          float cutoff) noexcept
{
    feedback = limitTo(feedbackValue, 0.0f, 1.0f) * 0.8f;
    mix = limitTo(mixValue, 0.0f, 1.0f) * 0.5f;
    setCutoff(cutoff);
    if (sampleRate == 0.0f || !leftBuffer || !rightBuffer || frames <= 0) return;
    highPassL.guardOutput();
    highPassR.guardOutput();
    lowPassL.guardOutput();
    lowPassR.guardOutput();

    const int lengthL = lineLength(leftRate);
    const int lengthR = lineLength(rightRate);
    float* lineL = leftBuffer.get();
    float* lineR = rightBuffer.get();
    int iL = leftIndex, iR = rightIndex;
    BiquadFilter hpL = highPassL, hpR = highPassR, lpL = lowPassL, lpR = lowPassR;
    const float m = mix, fb = feedback;

    // The two lines share nothing; running them in one loop lets their filter
    // recursions overlap instead of waiting on each other.
    for (int n = 0; n < frames; ++n) {
        const float xL = left[n], xR = right[n];
        const float yL = lineL[iL], yR = lineR[iR];
        left[n] = xL + yL * m;
        right[n] = xR + yR * m;
        float rL = yL * fb, rR = yR * fb;
        if (rL > -1e-15f && rL < 1e-15f) rL = 0.0f;
        if (rR > -1e-15f && rR < 1e-15f) rR = 0.0f;
        lineL[iL] = lpL.processSample(hpL.processSample(rL + xL));
        lineR[iR] = lpR.processSample(hpR.processSample(rR + xR));
        if (++iL >= lengthL) iL = 0;
        if (++iR >= lengthR) iR = 0;
    }
    leftIndex = iL;
    rightIndex = iR;
    highPassL = hpL;
    highPassR = hpR;
    lowPassL = lpL;
    lowPassR = lpR;
}
