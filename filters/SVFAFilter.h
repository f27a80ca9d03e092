#pragma once
// SVFAFilter: two-pole state-variable filter with saturated integrators ("SVF" types).
// Modes: 0 low-pass, 1 band-pass, 2 high-pass; any other mode leaves the audio unchanged.
// Follows the AnalogFilter frame (coefficient ramps, noise, lanes, threading rules).

#include "filters/AnalogFilter.h"

class SVFAFilter final : public AnalogModel<SVFAFilter, 3>
{
  public:
    SVFAFilter();

    // Stores m mod 3 (the remainder keeps the sign of m); does not mark dirty.
    void setMode(int32_t m) noexcept override;
    // Takes the targets over and clears the state of all lanes.
    void reset() noexcept override;
    // Coefficient slots: frequency F, damping d, input gain, output gain.
    enum Coef { coefF, coefD, coefGainIn, coefGainOut };

  protected:
    void design(const Settings& s, float* out) const noexcept override;

  private:
    friend class AnalogModel<SVFAFilter, 3>;
    template <int M, class Io> ORVANE_ANALOG_LOOP void runMode(Io io, int frames) noexcept;

    alignas(16) float low[laneCount] = {};
    alignas(16) float band[laneCount] = {};
};

extern template class AnalogModel<SVFAFilter, 3>;
