// Sample loops of the memoryless character filters and the ring modulator.
#include "filters/KsFilterBiquad.h"
#include "filters/KsFilterBitRed.h"
#include "filters/KsFilterMech.h"
#include "filters/KsFilterRingMod.h"
#include "filters/KsFilterTube.h"
#include "units/Limit.h"

#include <cmath>

void KsFilterTube::process(float* buffer, int frames) noexcept
{
    const float t = amount;
    const float g = 4.f * t + 1.f;
    const float span = g - 0.6f;
    const float gain = wet * (outGain / (t + 1.f));
    const float dry = 1.f - wet;
    for (int i = 0; i < frames; ++i) {
        const float x = buffer[i];
        float v = x * g;
        // Above the 0.6 knee the curve rises along a parabola towards 1.0 at full scale.
        if (v > 0.6f) {
            const float u = (v - 0.6f) / span;
            const float k = (1.f - u) * 0.707107f;
            v = (0.5f - k * k) * 0.79999995f + 0.6f;
        } else if (v < -0.6f) {
            const float u = (-v - 0.6f) / span;
            const float k = (1.f - u) * 0.707107f;
            v = -((0.5f - k * k) * 0.79999995f + 0.6f);
        }
        buffer[i] = gain * v + dry * x;
    }
}

void KsFilterMech::process(float* buffer, int frames) noexcept
{
    const float t = amount;
    const float g = 10.f * t + 1.f;
    const float slope = 0.25f / (g - 0.75f);
    const float gain = wet * (outGain / (t + 1.f));
    const float dry = 1.f - wet;
    for (int i = 0; i < frames; ++i) {
        const float x = buffer[i];
        float v = x * g;
        if (v > 0.75f)
            v = (v - 0.75f) * slope + 0.75f;
        else if (v < -0.75f)
            v = -((-v - 0.75f) * slope + 0.75f);
        buffer[i] = gain * v + dry * x;
    }
}

int32_t KsFilterBitRed::bitsForNote(float note) noexcept
{
    // The small tolerance lets 80 Hz and 16000 Hz land on 16 and 1 bits despite the
    // rounding of the note computed from them.
    const float b = (1.f - cutoffPosition(note)) * 15.f + 1.f + 1e-4f;
    if (!(b >= 1.f)) return 1;
    if (b >= 16.f) return 16;
    return static_cast<int32_t>(b);
}

void KsFilterBitRed::process(float* buffer, int frames) noexcept
{
    const float levels = std::ldexp(1.f, bits);
    const float step = 1.f / levels;
    const float gain = wet * outGain;
    const float dry = 1.f - wet;
    for (int i = 0; i < frames; ++i) {
        const float x = buffer[i];
        const float q = std::floor(x * levels + 0.5f) * step;
        buffer[i] = q * gain + dry * x;
    }
}

void KsFilterRingMod::setCutoff(float note) noexcept
{
    // The carrier is held safely below Nyquist, where it would alias to a lower one.
    const float step = sampleRate > 0.f ? belowNyquist(noteToHz(note), sampleRate) * 200.f / sampleRate : 0.f;
    // A step of a whole period or more (or not a number) would skip the table entirely.
    phaseStep = (step >= 0.f && step < 200.f) ? step : 0.f;
}

namespace
{
// The sine at a phase of 0..200 table steps, interpolated linearly.
inline float sineAt(const float* sine, float p) noexcept
{
    const int i = static_cast<int>(p);
    return sine[i] + (sine[i + 1] - sine[i]) * (p - static_cast<float>(i));
}
} // namespace

void KsFilterRingMod::process(float* buffer, int frames) noexcept
{
    const float* sine = table.get();
    const float sub = subAmount, dc = dcAmount, step = phaseStep;
    float p = phase;
    for (int i = 0; i < frames; ++i) {
        p += step;
        if (!(p < 200.f)) p = 0.f;
        const float s1 = sineAt(sine, p);
        const float s2 = sineAt(sine, p * 0.25f);
        buffer[i] = ((s1 * (1.f - sub) + s2 * sub) * (1.f - dc) + dc) * buffer[i];
    }
    phase = p;
}

void KsFilterRingMod::processStereo(float* left, float* right, int frames, KsFilter& partner) noexcept
{
    auto* other = isExactly<KsFilterRingMod>(partner) ? static_cast<KsFilterRingMod*>(&partner) : nullptr;
    if (!other || other->phase != phase || other->phaseStep != phaseStep || subAmount != 0.f ||
        dcAmount != 0.f || other->subAmount != 0.f || other->dcAmount != 0.f) {
        KsFilter::processStereo(left, right, frames, partner);
        return;
    }
    // With no sub-octave and no DC share the output is the input times the sine.
    const float* sine = table.get();
    const float step = phaseStep;
    float p = phase;
    for (int i = 0; i < frames; ++i) {
        p += step;
        if (!(p < 200.f)) p = 0.f;
        const float s = sineAt(sine, p);
        left[i] = s * left[i];
        right[i] = s * right[i];
    }
    phase = other->phase = p;
}
