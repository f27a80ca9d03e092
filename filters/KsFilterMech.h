#pragma once
// KsFilterMech: the "Mech" type, a hard-kneed waveshaper whose drive (1..11) follows the
// cutoff position; samples beyond +-0.75 are compressed 4:1 or more. Memoryless.

#include "filters/KsFilterTube.h"

class KsFilterMech : public KsFilter
{
  public:
    KsFilterMech() noexcept { classId = 13; }

    void reset() noexcept override {}
    // amount = the cutoff position 0..1.
    void setCutoff(float note) noexcept override { amount = shaperAmount(note); }
    // The wet share is always full; resonance has no effect.
    void setResonance(float) noexcept override { wet = 1.f; }
    // Output gain = d + 0.5.
    void setDrive(float d) noexcept override { outGain = d + 0.5f; }
    void process(float* buffer, int frames) noexcept override;

    float amount = 0.f;
    float wet = 1.f;
    float outGain = 1.5f;
};
