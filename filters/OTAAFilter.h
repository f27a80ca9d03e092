#pragma once
// OTAAFilter: four-stage OTA ladder model ("XP" types), saturating the difference that drives
// each stage and folding the input into its feedback path. Modes mix the stage outputs:
//   0 4-pole low-pass, 1 4-pole band-pass, 2 4-pole high-pass,
//   3 2-pole low-pass, 4 2-pole band-pass, 5 2-pole high-pass;
// any other mode leaves the audio unchanged (the ladder still runs).
// Follows the AnalogFilter frame (coefficient ramps, noise, lanes, threading rules).

#include "filters/AnalogFilter.h"

class OTAAFilter final : public AnalogModel<OTAAFilter, analog::ladderModeCount>
{
  public:
    OTAAFilter();

    // Stores m; does not mark dirty (the gains do not depend on the mode).
    void setMode(int32_t m) noexcept override;
    // Takes the targets over and clears the ladder state of all lanes.
    void reset() noexcept override;
    // Coefficient slots: stage gain g, feedback k, input gain, output gain.
    enum Coef { coefG, coefK, coefGainIn, coefGainOut };

  protected:
    void design(const Settings& s, float* out) const noexcept override;

  private:
    friend class AnalogModel<OTAAFilter, analog::ladderModeCount>;
    template <int M, class Io> ORVANE_ANALOG_LOOP void runMode(Io io, int frames) noexcept;

    // Per lane: stage outputs and the previous sample's ladder input (the zero of stage 1).
    alignas(16) float y[4][laneCount] = {};
    alignas(16) float inPrev[laneCount] = {};
};

extern template class AnalogModel<OTAAFilter, analog::ladderModeCount>;
