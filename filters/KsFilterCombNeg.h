#pragma once
// KsFilterCombNeg: the "CombM" type, the comb of KsFilterComb with inverted feedback, which
// moves the resonances to odd multiples of half the cutoff frequency.

#include "filters/KsFilterComb.h"

class KsFilterCombNeg : public KsFilter
{
  public:
    KsFilterCombNeg() noexcept { classId = 6; }

    // Allocates the one-second line for the rate; call outside the audio path.
    void allocate(float maxSampleRate) { line.allocate(maxSampleRate); }

    void reset() noexcept override {}
    // Stores the rate and clears the line and the DC blocker; no allocation.
    void setSampleRate(float hz) noexcept override;
    // Delay of one cutoff period.
    void setCutoff(float note) noexcept override;
    // Feedback = r x -0.99.
    void setResonance(float r) noexcept override { line.feedback = r * -0.99f; }
    void process(float* buffer, int frames) noexcept override { line.process(buffer, frames); }
    // Both channels in one pass when the partner is of the same class; the same result.
    void processStereo(float* left, float* right, int frames, KsFilter& partner) noexcept override;

    CombDelayLine line;
};
