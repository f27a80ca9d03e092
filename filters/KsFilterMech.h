#pragma once
// KsFilterMech: the "Mech" type, a hard-kneed waveshaper whose drive (1..11) follows the
// cutoff position; samples beyond +-0.75 are compressed 4:1 or more. Memoryless.

#include "filters/KsFilterTube.h"

class KsFilterMech final : public KsFilterShaper
{
  public:
    KsFilterMech() noexcept : KsFilterShaper(13) {}
    void process(float* buffer, int frames) noexcept override;
};
