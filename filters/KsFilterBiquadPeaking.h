#pragma once
// KsFilterBiquadPeaking: the "Peaking" type, one peaking section boosting 3..21 dB over
// the resonance range. The mode is fixed; everything else goes to the section.

#include "filters/KsFilterWrapper.h"

class KsFilterBiquadPeaking : public KsFilterWrapper<KsFilterBiquadPeaking, KsFilterBiquad>
{
  public:
    KsFilterBiquadPeaking() noexcept : KsFilterWrapper(0, KsFilterBiquad::peaking, 2) {}
};
