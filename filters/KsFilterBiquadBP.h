#pragma once
// KsFilterBiquadBP: the "BP2 BQ" type, a band-pass (bandwidth q octaves) followed by a
// peaking section of 3..21 dB at the same frequency (variant 1). Modes and variants are
// fixed; every other operation goes to the first section, then to the second.

#include "filters/KsFilterWrapper.h"

// Two sections in series with fixed modes; the two public classes differ in variant.
class KsFilterBiquadPair
{
  public:
    explicit KsFilterBiquadPair(int32_t variant) noexcept
        : first(KsFilterBiquad::bandPass, variant), second(KsFilterBiquad::peaking, variant)
    {
        first.reset();
        second.reset();
    }
    void reset() noexcept
    {
        first.reset();
        second.reset();
    }
    void setSampleRate(float hz) noexcept
    {
        first.setSampleRate(hz);
        second.setSampleRate(hz);
    }
    // One note-to-Hz conversion for both sections.
    void setCutoff(float note) noexcept
    {
        first.setCutoff(note);
        second.setCutoffHz(first.cutoffHz);
    }
    void setResonance(float r) noexcept
    {
        first.setResonance(r);
        second.setResonance(r);
    }
    void setDrive(float d) noexcept
    {
        first.setDrive(d);
        second.setDrive(d);
    }
    void process(float* buffer, int frames) noexcept
    {
        first.process(buffer, frames);
        second.process(buffer, frames);
    }
    // Both channels through both sections, the other pair taking the right channel.
    void processStereo(float* l, float* r, int frames, KsFilterBiquadPair& other) noexcept
    {
        KsFilterBiquad::processCascade(first, other.first, second, other.second, l, r, frames);
    }
    // processStereo, then setCutoff(note) on this pair and the other one; the same results,
    // with the sections' design for the note made while the frames are filtered.
    void processStereoThenSetCutoff(float* l, float* r, int frames, KsFilterBiquadPair& other,
                                    float note) noexcept
    {
        KsFilterBiquad::processCascadeThenSetCutoff(first, other.first, second, other.second, l, r, frames,
                                                    noteToHz(note));
    }

    KsFilterBiquad first;
    KsFilterBiquad second;
};

class KsFilterBiquadBP : public KsFilterWrapper<KsFilterBiquadBP, KsFilterBiquadPair>
{
  public:
    KsFilterBiquadBP() noexcept : KsFilterWrapper(1, 1) {}
};
