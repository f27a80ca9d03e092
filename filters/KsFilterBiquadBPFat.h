#pragma once
// KsFilterBiquadBPFat: the "BP2 Fat" type, a band-pass three times as wide as "BP2 BQ"
// followed by a peaking section of 4..28 dB (variant 4). Modes and variants are fixed.

#include "filters/KsFilterBiquadBP.h"

class KsFilterBiquadBPFat : public KsFilterWrapper<KsFilterBiquadBPFat, KsFilterBiquadPair>
{
  public:
    KsFilterBiquadBPFat() noexcept : KsFilterWrapper(3, 4) {}
};
