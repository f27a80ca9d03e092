#include "units/Exciter.h"

#include "units/LoopTargets.h"

#include <algorithm>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

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

namespace
{

// The recursions of one chunk: both high-passes, and the envelope of their sum with the gain
// it gives. Writes each channel's band and the gain per frame.
void runRecursions(BiquadFilter& hl, BiquadFilter& hr, PeakFollower& env, const float* left,
                   const float* right, int n, float* bandL, float* bandR, float* gain) noexcept
{
#if defined(__SSE__)
    // Both high-passes side by side in lanes 0 and 1, each lane computing exactly what
    // processSample does; the envelope runs in all four lanes at once (the same value in each),
    // which keeps it in vector registers and free of branches.
    const __m128 b0 = _mm_setr_ps(hl.b0, hr.b0, 0.0f, 0.0f), b1 = _mm_setr_ps(hl.b1, hr.b1, 0.0f, 0.0f);
    const __m128 b2 = _mm_setr_ps(hl.b2, hr.b2, 0.0f, 0.0f), a1 = _mm_setr_ps(hl.a1, hr.a1, 0.0f, 0.0f);
    const __m128 a2 = _mm_setr_ps(hl.a2, hr.a2, 0.0f, 0.0f);
    __m128 x1 = _mm_setr_ps(hl.x1, hr.x1, 0.0f, 0.0f), x2 = _mm_setr_ps(hl.x2, hr.x2, 0.0f, 0.0f);
    __m128 y1 = _mm_setr_ps(hl.y1, hr.y1, 0.0f, 0.0f), y2 = _mm_setr_ps(hl.y2, hr.y2, 0.0f, 0.0f);
    const __m128 zero = _mm_setzero_ps(), release = _mm_set1_ps(env.releaseStep);
    const __m128 attack = _mm_set1_ps(env.attackStep), limit = _mm_set1_ps(maxGain);
    __m128 value = _mm_set1_ps(env.value);
    for (int i = 0; i < n; ++i) {
        const __m128 x = _mm_unpacklo_ps(_mm_load_ss(left + i), _mm_load_ss(right + i));
        __m128 y = _mm_add_ps(_mm_mul_ps(b0, x), _mm_mul_ps(b1, x1));
        y = _mm_add_ps(y, _mm_mul_ps(b2, x2));
        y = _mm_sub_ps(y, _mm_mul_ps(a1, y1));
        y = _mm_sub_ps(y, _mm_mul_ps(a2, y2));
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        bandL[i] = _mm_cvtss_f32(y);
        bandR[i] = _mm_cvtss_f32(_mm_shuffle_ps(y, y, 1));
        const __m128 sum = _mm_add_ps(y, _mm_shuffle_ps(y, y, 1));
        const __m128 s =
            _mm_mul_ps(_mm_mul_ps(_mm_shuffle_ps(sum, sum, 0), _mm_set1_ps(300.0f)), _mm_set1_ps(0.5f));
        const __m128 e = _mm_sub_ps(value, release);
        const __m128 above = _mm_sub_ps(s, e);
        const __m128 below = _mm_max_ps(_mm_sub_ps(_mm_sub_ps(zero, s), e), zero);
        const __m128 pick = _mm_cmpgt_ps(s, e);
        const __m128 d = _mm_or_ps(_mm_and_ps(pick, above), _mm_andnot_ps(pick, below));
        value = _mm_max_ps(_mm_add_ps(e, _mm_min_ps(d, attack)), zero);
        gain[i] = _mm_cvtss_f32(_mm_min_ps(_mm_mul_ps(value, _mm_set1_ps(10.0f)), limit));
    }
    hl.x1 = _mm_cvtss_f32(x1);
    hr.x1 = _mm_cvtss_f32(_mm_shuffle_ps(x1, x1, 1));
    hl.x2 = _mm_cvtss_f32(x2);
    hr.x2 = _mm_cvtss_f32(_mm_shuffle_ps(x2, x2, 1));
    hl.y1 = _mm_cvtss_f32(y1);
    hr.y1 = _mm_cvtss_f32(_mm_shuffle_ps(y1, y1, 1));
    hl.y2 = _mm_cvtss_f32(y2);
    hr.y2 = _mm_cvtss_f32(_mm_shuffle_ps(y2, y2, 1));
    env.value = _mm_cvtss_f32(value);
#else
    for (int i = 0; i < n; ++i) {
        const float hL = hl.processSample(left[i]);
        const float hR = hr.processSample(right[i]);
        bandL[i] = hL;
        bandR[i] = hR;
        gain[i] = std::min(env.process((hL + hR) * 300.0f * 0.5f) * 10.0f, maxGain);
    }
#endif
}

} // namespace

ORVANE_UNIT_LOOP
void Exciter::process(float* left, float* right, int frames, float amt) noexcept
{
    amount = std::clamp(amt, 0.0f, 1.0f);
    if (sampleRate <= 0.0f || frames <= 0) return;
    highPassL.guardOutput();
    highPassR.guardOutput();

    // Two passes over chunks: the first runs the recursions (the two high-passes and the
    // envelope); the second, free of any dependency from one sample to the next, forms the
    // output and vectorises.
    constexpr int chunk = 64;
    float bandL[chunk], bandR[chunk], gain[chunk];
    const float wet = amount, dry = 1.0f - amount;
    for (int start = 0; start < frames; start += chunk) {
        const int n = std::min(chunk, frames - start);
        float* l = left + start;
        float* r = right + start;
        runRecursions(highPassL, highPassR, follower, l, r, n, bandL, bandR, gain);
        for (int i = 0; i < n; ++i) {
            const float xL = l[i], xR = r[i];
            const float yL = std::clamp(xL + gain[i] * bandL[i], -clipLevel, clipLevel);
            const float yR = std::clamp(xR + gain[i] * bandR[i], -clipLevel, clipLevel);
            l[i] = dry * xL + wet * yL;
            r[i] = dry * xR + wet * yR;
        }
    }
}
