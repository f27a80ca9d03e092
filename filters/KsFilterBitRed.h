#pragma once
// KsFilterBitRed: the "Bit Red" type, an amplitude quantiser: 16 bits at an 80 Hz cutoff
// down to 1 bit at 16000 Hz. Memoryless.

#include "filters/KsFilterTube.h"

#include <cstdint>

class KsFilterBitRed : public KsFilter
{
  public:
    KsFilterBitRed() noexcept { classId = 14; }

    // Bit depth for a cutoff note: (1 - position) x 15 + 1 truncated, limited to 1..16.
    // The engine shows the same number as the cutoff display of this type.
    static int32_t bitsForNote(float note) noexcept;

    void reset() noexcept override {}
    void setCutoff(float note) noexcept override { bits = bitsForNote(note); }
    // The wet share is always full; resonance has no effect.
    void setResonance(float) noexcept override { wet = 1.f; }
    // Output gain = d + 0.5.
    void setDrive(float d) noexcept override { outGain = d + 0.5f; }
    void process(float* buffer, int frames) noexcept override;

    int32_t bits = 16;
    float wet = 1.f;
    float outGain = 1.5f;
};
