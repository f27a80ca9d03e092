#pragma once
// KsFilterTube: the "Tube" type, a waveshaper whose drive (1..5) follows the cutoff
// position; samples beyond +-0.6 are bent along a soft curve. Memoryless.

#include "filters/KsFilter.h"

// Position of a cutoff note on the 80 Hz..16000 Hz scale as 0..1 (not limited).
inline float cutoffPosition(float note) noexcept
{
    return (note - 39.48682f) / 91.72627f;
}

// The cutoff position limited to 0..1, the drive amount of the waveshapers.
inline float shaperAmount(float note) noexcept
{
    const float t = cutoffPosition(note);
    return t > 0.f ? (t < 1.f ? t : 1.f) : 0.f;
}

// The settings the waveshapers share ("Tube" and "Mech"): the drive amount follows the cutoff
// position, the wet share is always full and the drive sets the output gain.
class KsFilterShaper : public KsFilter
{
  public:
    void reset() noexcept override {}
    // amount = the cutoff position 0..1.
    void setCutoff(float note) noexcept override { amount = shaperAmount(note); }
    // The wet share is always full; resonance has no effect.
    void setResonance(float) noexcept override { wet = 1.f; }
    // Output gain = d + 0.5.
    void setDrive(float d) noexcept override { outGain = d + 0.5f; }

    float amount = 0.f;
    float wet = 1.f;
    float outGain = 1.5f;

  protected:
    explicit KsFilterShaper(int32_t typeClass) noexcept { classId = typeClass; }
};

class KsFilterTube final : public KsFilterShaper
{
  public:
    KsFilterTube() noexcept : KsFilterShaper(12) {}
    void process(float* buffer, int frames) noexcept override;
};
