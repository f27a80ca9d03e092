#include "filters/KsFilterBiquadLPFat.h"

#include "filters/KsFilterBiquad.h"

void KsFilterBiquadLPFat::reset() noexcept
{
    iir.clearHistory();
    designedCutoff = cutoffHz;
    designedResonance = q;
    dirty = 1;
}

void KsFilterBiquadLPFat::setCutoff(float note) noexcept
{
    const float hz = noteToHz(note);
    cutoffHz = hz < 40.f ? 40.f : hz;
    dirty = 1;
}

void KsFilterBiquadLPFat::setResonance(float r) noexcept
{
    q = 1.f + 6.f * r;
    dirty = 1;
}

void KsFilterBiquadLPFat::design() noexcept
{
    // Without a usable rate, cutoff or damping the previous design stays in place.
    if (!(sampleRate > 0.f) || !(cutoffHz > 0.f) || !(cutoffHz < 1e30f) || !(q > 0.f)) return;
    // Damping of the two sections of a 4-pole Butterworth low-pass: 2 cos(3pi/8), 2 cos(pi/8).
    static constexpr double damping[2] = {0.765367, 1.847759};
    iir.beginDesign();
    for (double d : damping)
        iir.addAnalogSection(1.0, 0.0, 0.0, 1.0, d / q, 1.0, sampleRate, cutoffHz);
    iir.endDesign();
}

void KsFilterBiquadLPFat::process(float* buffer, int frames) noexcept
{
    if (dirty) {
        dirty = 0;
        design();
        designedCutoff = cutoffHz;
        designedResonance = q;
    }
    iir.process(buffer, frames);
}
