#pragma once
// KsFilterBiquadFat: the "HP2 Fat " type, one section with variant 3 (a high-pass with
// three times the Q). The mode is forwarded, the variant fixed.

#include "filters/KsFilterBiquad.h"

class KsFilterBiquadFat : public KsFilter
{
  public:
    KsFilterBiquadFat() noexcept : section(KsFilterBiquad::bandPass, 3)
    {
        classId = 4;
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
    void setMode(int32_t m) noexcept override
    {
        mode = m;
        section.setMode(m);
    }
    void process(float* buffer, int frames) noexcept override { section.process(buffer, frames); }
    // Both channels in one pass, sharing the design with the partner of the same class.
    void processStereo(float* l, float* r, int frames, KsFilter& partner) noexcept override
    {
        if (!isExactly<KsFilterBiquadFat>(partner)) {
            KsFilter::processStereo(l, r, frames, partner);
            return;
        }
        section.processStereo(l, r, frames, static_cast<KsFilterBiquadFat&>(partner).section);
    }

    KsFilterBiquad section;
};
