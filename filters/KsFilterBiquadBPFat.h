#pragma once
// KsFilterBiquadBPFat: the "BP2 Fat" type, a band-pass three times as wide as "BP2 BQ"
// followed by a peaking section of 4..28 dB (variant 4). Modes and variants are fixed.

#include "filters/KsFilterBiquadBP.h"

class KsFilterBiquadBPFat : public KsFilter
{
  public:
    KsFilterBiquadBPFat() noexcept : sections(4) { classId = 3; }

    void reset() noexcept override { sections.reset(); }
    void setSampleRate(float hz) noexcept override
    {
        sampleRate = hz;
        sections.setSampleRate(hz);
    }
    void setCutoff(float note) noexcept override { sections.setCutoff(note); }
    void setResonance(float r) noexcept override { sections.setResonance(r); }
    void setDrive(float d) noexcept override { sections.setDrive(d); }
    void setMode(int32_t) noexcept override {}
    void process(float* buffer, int frames) noexcept override { sections.process(buffer, frames); }
    // Both channels in one pass, sharing the design with the partner of the same class.
    void processStereo(float* l, float* r, int frames, KsFilter& partner) noexcept override
    {
        if (!isExactly<KsFilterBiquadBPFat>(partner)) {
            KsFilter::processStereo(l, r, frames, partner);
            return;
        }
        sections.processStereo(l, r, frames, static_cast<KsFilterBiquadBPFat&>(partner).sections);
    }

    KsFilterBiquadPair sections;
};
