#pragma once
// KsFilterBiquadFat: the "HP2 Fat " type, one section with variant 3 (a high-pass with
// three times the Q). The mode is forwarded, the variant fixed.

#include "filters/KsFilterWrapper.h"

class KsFilterBiquadFat : public KsFilterWrapper<KsFilterBiquadFat, KsFilterBiquad>
{
  public:
    KsFilterBiquadFat() noexcept : KsFilterWrapper(4, KsFilterBiquad::bandPass, 3) {}
    // The mode is the one thing this type lets the caller choose.
    void setMode(int32_t m) noexcept override
    {
        mode = m;
        inner.setMode(m);
    }
};
