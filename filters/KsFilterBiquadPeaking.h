#pragma once
// KsFilterBiquadPeaking: the "Peaking" type, one peaking section boosting 3..21 dB over
// the resonance range. The mode is fixed; everything else goes to the section.

#include "filters/KsFilterBiquad.h"

class KsFilterBiquadPeaking : public KsFilter
{
  public:
    KsFilterBiquadPeaking() noexcept : section(KsFilterBiquad::peaking, 2)
    {
        classId = 0;
        section.reset();
    }

    void reset() noexcept override { section.reset(); }
    void setSampleRate(float hz) noexcept override
    {
        sampleRate = hz;
        section.setSampleRate(hz);
    }
    void setCutoff(float note) noexcept override { section.setCutoff(note); }
    void setResonance(float r) noexcept override { section.setResonance(r); }
    void setDrive(float d) noexcept override { section.setDrive(d); }
    // The mode is fixed at construction.
    void setMode(int32_t) noexcept override {}
    void process(float* buffer, int frames) noexcept override { section.process(buffer, frames); }
    // Both channels in one pass, sharing the design with the partner of the same class.
    void processStereo(float* l, float* r, int frames, KsFilter& partner) noexcept override
    {
        if (!isExactly<KsFilterBiquadPeaking>(partner)) {
            KsFilter::processStereo(l, r, frames, partner);
            return;
        }
        section.processStereo(l, r, frames, static_cast<KsFilterBiquadPeaking&>(partner).section);
    }

    KsFilterBiquad section;
};
