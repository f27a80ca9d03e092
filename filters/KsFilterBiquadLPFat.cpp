#include "filters/KsFilterBiquadLPFat.h"

#include "filters/KsFilterBiquad.h"

#include <typeinfo>

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

bool KsFilterBiquadLPFat::design() noexcept
{
    // Without a usable rate, cutoff or damping the previous design stays in place.
    if (!(sampleRate > 0.f) || !(cutoffHz > 0.f) || !(cutoffHz < 1e30f) || !(q > 0.f)) return false;
    // Damping of the two sections of a 4-pole Butterworth low-pass: 2 cos(3pi/8), 2 cos(pi/8).
    static constexpr double damping[2] = {0.765367, 1.847759};
    iir.beginDesign();
    for (double d : damping)
        iir.addAnalogSection(1.0, 0.0, 0.0, 1.0, d / q, 1.0, sampleRate, cutoffHz);
    iir.endDesign();
    return true;
}

void KsFilterBiquadLPFat::prepare() noexcept
{
    if (!dirty) return;
    dirty = 0;
    if (design()) {
        designKey = {sampleRate, cutoffHz, q};
        hasDesign = true;
    }
    designedCutoff = cutoffHz;
    designedResonance = q;
}

void KsFilterBiquadLPFat::prepareLike(const KsFilterBiquadLPFat& designed) noexcept
{
    if (!dirty) return;
    const DesignKey key{sampleRate, cutoffHz, q};
    if (!designed.hasDesign || !(designed.designKey == key)) {
        prepare();
        return;
    }
    dirty = 0;
    iir.copyDesign(designed.iir);
    designKey = key;
    hasDesign = true;
    designedCutoff = cutoffHz;
    designedResonance = q;
}

void KsFilterBiquadLPFat::process(float* buffer, int frames) noexcept
{
    prepare();
    iir.process(buffer, frames);
}

void KsFilterBiquadLPFat::processStereo(float* left, float* right, int frames, KsFilter& partner) noexcept
{
    if (!isExactly<KsFilterBiquadLPFat>(partner)) {
        KsFilter::processStereo(left, right, frames, partner);
        return;
    }
    auto& other = static_cast<KsFilterBiquadLPFat&>(partner);
    prepare();
    other.prepareLike(*this);
    iir.processStereo(other.iir, left, right, frames);
}
