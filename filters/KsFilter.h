#pragma once
// KsFilter: the one-channel filter interface that every filter class of the multimode
// filter implements. The MultimodeFilter owns a left and a right object of each class and
// drives them only through these operations.
//
// Contract: setters store values or mark coefficients dirty; process works in place, is
// noexcept and allocates nothing. Cutoff is a note number (69 = 440 Hz, 12 per octave,
// fractional); resonance is 0..1.
//
// The virtual operations are declared in a fixed order (reset, setSampleRate, setCutoff,
// setResonance, setDrive, setMode, process, setVariant, processStereo); keep it that way.

#include <cstdint>

class KsFilter
{
  public:
    virtual ~KsFilter() = default;

    // Clears the filter's history and takes over pending settings.
    virtual void reset() noexcept = 0;
    // Stores the sample rate in Hz, then resets.
    virtual void setSampleRate(float hz) noexcept
    {
        sampleRate = hz;
        reset();
    }
    // Cutoff as a note number: 69 = 440 Hz, 12 per octave.
    virtual void setCutoff(float note) noexcept = 0;
    // Resonance 0..1.
    virtual void setResonance(float r) noexcept = 0;
    // Drive; ignored unless a filter class uses it.
    virtual void setDrive(float) noexcept {}
    // Response mode; its meaning belongs to the filter class.
    virtual void setMode(int32_t) noexcept {}
    // Filters one channel in place.
    virtual void process(float* buffer, int frames) noexcept = 0;
    // Variant that scales the resonance in some biquad modes; ignored by default.
    virtual void setVariant(int32_t) noexcept {}
    // Filters a stereo pair: this object takes the left buffer, the partner the right one.
    // Filters that couple the channels override it.
    virtual void processStereo(float* left, float* right, int frames, KsFilter& partner) noexcept
    {
        process(left, frames);
        partner.process(right, frames);
    }

    int32_t classId = 0;    // filterClass of the type table row this object serves
    int32_t mode = 0;       // last mode set
    float sampleRate = 0.f; // Hz
};
