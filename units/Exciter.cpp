#include "units/Exciter.h"

#include <algorithm>

namespace
{
constexpr double highPassHz = 7000.0;
constexpr double highPassOctaves = 1.0;
constexpr float clipLevel = 0.999f;
constexpr float maxGain = 3.0f;
} // namespace

Exciter::Exciter()
{
    follower.setAttackTime(0.01f);
    follower.setReleaseTime(0.1f);
    follower.setSampleRate(44100.0f);
}

void Exciter::setSampleRate(float sr) noexcept
{
    if (!(sr > 0.0f)) return;
    sampleRate = sr;
    follower.setSampleRate(sr);
    reset();
}

void Exciter::reset() noexcept
{
    follower.clear();
    highPassL.clearState();
    highPassR.clearState();
    if (sampleRate > 0.0f) {
        highPassL.setHighPass(sampleRate, highPassHz, highPassOctaves, false);
        highPassR.setHighPass(sampleRate, highPassHz, highPassOctaves, false);
    }
}

void Exciter::process(float* left, float* right, int frames, float amt) noexcept
{
    amount = std::clamp(amt, 0.0f, 1.0f);
    if (sampleRate <= 0.0f || frames <= 0) return;
    highPassL.guardOutput();
    highPassR.guardOutput();

    // Work on local copies so the compiler can keep the whole state in registers.
    BiquadFilter hl = highPassL, hr = highPassR;
    PeakFollower env = follower;
    const float wet = amount, dry = 1.0f - amount;
    for (int i = 0; i < frames; ++i) {
        const float xL = left[i], xR = right[i];
        const float hL = hl.processSample(xL);
        const float hR = hr.processSample(xR);
        const float e = env.process((hL + hR) * 300.0f * 0.5f);
        const float g = std::min(e * 10.0f, maxGain);
        const float yL = std::clamp(xL + g * hL, -clipLevel, clipLevel);
        const float yR = std::clamp(xR + g * hR, -clipLevel, clipLevel);
        left[i] = dry * xL + wet * yL;
        right[i] = dry * xR + wet * yR;
    }
    highPassL = hl;
    highPassR = hr;
    follower.value = env.value;
}
