#pragma once
// MoogAFilter: four-stage transistor-ladder model ("MG" types), saturating the signals that
// enter and leave each stage. Modes mix the stage outputs:
//   0 4-pole low-pass, 1 4-pole band-pass, 2 4-pole high-pass,
//   3 2-pole low-pass, 4 2-pole band-pass, 5 2-pole high-pass;
// any other mode leaves the audio unchanged (the ladder still runs).
// Follows the AnalogFilter frame (coefficient ramps, noise, lanes, threading rules).

#include "filters/AnalogFilter.h"

class MoogAFilter final : public AnalogModel<MoogAFilter, analog::ladderModeCount>
{
  public:
    MoogAFilter();

    // Stores m and marks dirty (the gains depend on the mode).
    void setMode(int32_t m) noexcept override;
    // Takes the targets over and clears the ladder state of all lanes.
    void reset() noexcept override;
    // Coefficient slots: stage gain g, feedback k, input gain, output gain.
    enum Coef { coefG, coefK, coefGainIn, coefGainOut };

  protected:
    void design(const Settings& s, float* out) const noexcept override;

  private:
    friend class AnalogModel<MoogAFilter, analog::ladderModeCount>;
    template <int M, class Io> ORVANE_ANALOG_LOOP void runMode(Io io, int frames) noexcept;

    // Per lane: stage outputs, their saturated values, and the saturated ladder input of the
    // previous sample (the zero of stage 1).
    alignas(16) float y[4][laneCount] = {};
    alignas(16) float sat[4][laneCount] = {};
    alignas(16) float inPrev[laneCount] = {};
};

extern template class AnalogModel<MoogAFilter, analog::ladderModeCount>;
