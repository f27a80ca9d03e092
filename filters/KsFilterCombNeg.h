#pragma once
// KsFilterCombNeg: the "CombM" type, the comb of KsFilterComb with inverted feedback, which
// moves the resonances to odd multiples of half the cutoff frequency.

#include "filters/KsFilterComb.h"

class KsFilterCombNeg final : public KsFilterCombType<KsFilterCombNeg, 6, -1>
{
};
