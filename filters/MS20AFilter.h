#pragma once
// MS20AFilter: two-pole filter with a diode-clipped resonance loop ("K20" types).
// Modes: 0 low-pass, 1 band-pass, 2 high-pass; any other mode leaves the audio unchanged.
// Follows the AnalogFilter frame (coefficient ramps, noise, lanes, threading rules).
//
// The diode curve is a process-wide table of 4100 entries, built by Newton's method on the
// first construction (constructors are not called on the audio thread).

#include "filters/AnalogFilter.h"

class MS20AFilter final : public AnalogModel<MS20AFilter, 3>
{
  public:
    MS20AFilter();

    // Stores m; does not mark dirty.
    void setMode(int32_t m) noexcept override;
    // Takes the targets over, clears the state of all lanes and the current frequency and
    // resonance coefficients.
    void reset() noexcept override;
    // Coefficient slots: resonance k, input gain, frequency F, output gain.
    enum Coef { coefK, coefGainIn, coefF, coefGainOut };

    static constexpr int diodeTableSize = 4100;
    // The shared diode curve: v = (i - 2048) / 128, scaled to slope 1 at 0.
    static const float* diodeTable() noexcept;
    // The diode clipper by table lookup with linear interpolation.
    static float diode(float v) noexcept;
    // A table entry paired with the step to the next one, so that one load fetches both.
    struct DiodeSegment {
        float value, slope;
    };

  protected:
    void design(const Settings& s, float* out) const noexcept override;

  private:
    friend class AnalogModel<MS20AFilter, 3>;
    template <int M, class Io> ORVANE_ANALOG_LOOP void runMode(Io io, int frames) noexcept;

    const DiodeSegment* table; // the shared diode curve, as segments
    alignas(16) float s1[laneCount] = {};
    alignas(16) float s2[laneCount] = {};
};

extern template class AnalogModel<MS20AFilter, 3>;
