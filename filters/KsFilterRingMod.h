#pragma once
// KsFilterRingMod: the "RingMod" type, the input multiplied by a sine at the cutoff
// frequency read from the shared sine table. The phase restarts at every reset.

#include "filters/KsFilter.h"
#include "units/SineTable.h"

class KsFilterRingMod : public KsFilter
{
  public:
    KsFilterRingMod() noexcept { classId = 7; }

    // Phase back to 0.
    void reset() noexcept override { phase = 0.f; }
    // Stores the rate only (no reset).
    void setSampleRate(float hz) noexcept override { sampleRate = hz; }
    // Oscillator at the cutoff frequency.
    void setCutoff(float note) noexcept override;
    // Resonance has no effect; the DC share stays 0.
    void setResonance(float) noexcept override { dcAmount = 0.f; }
    // Drive has no effect; the sub-octave share stays 0.
    void setDrive(float) noexcept override { subAmount = 0.f; }
    void process(float* buffer, int frames) noexcept override;
    // Both channels: when the partner's oscillator runs in step with this one, the sine is
    // computed once for both.
    void processStereo(float* left, float* right, int frames, KsFilter& partner) noexcept override;

    SineTable::Reference table;
    float phase = 0.f;     // 0..200, table steps
    float phaseStep = 0.f; // table steps per sample
    float dcAmount = 0.f;
    float subAmount = 0.f;
};
