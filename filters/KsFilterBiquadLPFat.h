#pragma once
// KsFilterBiquadLPFat: the "LP2 Fat" type, a resonant 4-pole low-pass made of two
// cascaded sections: the bilinear transform of an analog 4-pole Butterworth prototype
// whose damping is divided by q = 1 + 6 x resonance. The cutoff never goes below 40 Hz.
// Setters mark the design dirty; it runs at the start of the next process call.

#include "filters/IirFilter.h"
#include "filters/KsFilter.h"

class KsFilterBiquadLPFat : public KsFilter
{
  public:
    KsFilterBiquadLPFat() noexcept { classId = 2; }

    // Zeroes the history, takes the current settings as designed and marks dirty.
    void reset() noexcept override;
    // cutoffHz = 440 x 2^((note - 69) / 12), at least 40 Hz; marks dirty.
    void setCutoff(float note) noexcept override;
    // q = 1 + 6 x r; marks dirty.
    void setResonance(float r) noexcept override;
    // Redesigns if dirty, then filters one channel in place.
    void process(float* buffer, int frames) noexcept override;

    // Both channels, sharing the design with a partner of the same class.
    void processStereo(float* left, float* right, int frames, KsFilter& partner) noexcept override;

    // Designs both sections for sampleRate, cutoffHz and q; false (and the design left as
    // it is) when the settings give no usable design.
    bool design() noexcept;
    // Runs the pending design, if any.
    void prepare() noexcept;
    // Runs the pending design, taking it over from a filter designed for the same settings.
    void prepareLike(const KsFilterBiquadLPFat& designed) noexcept;

    int32_t dirty = 1;
    float designedCutoff = 17000.f;
    float designedResonance = 0.f;
    float cutoffHz = 17000.f;
    float q = 0.f;
    IirFilter iir;

  private:
    struct DesignKey {
        float sampleRate, cutoffHz, q;
        bool operator==(const DesignKey&) const = default;
    };
    DesignKey designKey{};
    bool hasDesign = false;
};
