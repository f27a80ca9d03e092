#include "filters/FilterTypeInfo.h"

// clang-format off
const FilterTypeInfo filterTypes[filterTypeCount] = {
    {"LP2 BQ",      filterClassBiquad,       0, 1, outputStageLimiter},
    {"LP2 Fat",     filterClassBiquadLPFat,  0, 1, outputStageSoftClip},
    {"BP2 BQ",      filterClassBiquadBP,     0, 1, outputStageLimiter},
    {"BP2 Fat",     filterClassBiquadBPFat,  0, 1, outputStageSoftClip},
    {"HP2 BQ",      filterClassBiquad,       2, 1, outputStageLimiter},
    {"HP2 Fat ",    filterClassBiquadFat,    2, 1, outputStageSoftClip},
    {"Formant",     filterClassBiquad,       6, 1, outputStageNone},
    {"Peaking",     filterClassBiquad,       4, 1, outputStageLimiter},
    {"Notch",       filterClassBiquad,       3, 1, outputStageLimiter},
    {"CombP",       filterClassComb,         0, 1, outputStageLimiter},
    {"CombM",       filterClassCombNeg,      0, 1, outputStageLimiter},
    {"RingMod",     filterClassRingMod,      0, 2, outputStageLimiter},
    {"Tube",        filterClassTube,         0, 1, outputStageNone},
    {"Mech",        filterClassMech,         0, 1, outputStageNone},
    {"Bit Red",     filterClassBitRed,       0, 1, outputStageNone},
    {"LP2 SVF HQ",  filterClassSVF,          0, 2, outputStageNone},
    {"LP2 K20 HQ",  filterClassMS20,         0, 1, outputStageNone},
    {"LP2 XP HQ",   filterClassOTA,          3, 2, outputStageNone},
    {"LP2 MG HQ",   filterClassMoog,         3, 2, outputStageNone},
    {"LP4 XP HQ",   filterClassOTA,          0, 2, outputStageNone},
    {"LP4 MG HQ",   filterClassMoog,         0, 2, outputStageNone},
    {"BP2 SVF HQ",  filterClassSVF,          1, 2, outputStageNone},
    {"BP2 K20 HQ",  filterClassMS20,         1, 1, outputStageNone},
    {"BP2 XP HQ",   filterClassOTA,          4, 2, outputStageNone},
    {"BP2 MG HQ",   filterClassMoog,         4, 2, outputStageNone},
    {"BP4 XP HQ",   filterClassOTA,          1, 2, outputStageNone},
    {"BP4 MG HQ",   filterClassMoog,         1, 2, outputStageNone},
    {"HP2 SVF HQ",  filterClassSVF,          2, 2, outputStageNone},
    {"HP2 K20 HQ",  filterClassMS20,         2, 1, outputStageNone},
    {"HP2 XP HQ",   filterClassOTA,          5, 2, outputStageNone},
    {"HP2 MG HQ",   filterClassMoog,         5, 2, outputStageNone},
    {"HP4 XP HQ",   filterClassOTA,          2, 2, outputStageNone},
    {"HP4 MG HQ",   filterClassMoog,         2, 2, outputStageNone},
    {"LP2 SVF",     filterClassSVF,          0, 1, outputStageNone},
    {"LP2 K20",     filterClassMS20,         0, 1, outputStageNone},
    {"LP2 XP",      filterClassOTA,          3, 1, outputStageNone},
    {"LP2 MG",      filterClassMoog,         3, 1, outputStageNone},
    {"LP4 XP",      filterClassOTA,          0, 1, outputStageNone},
    {"LP4 MG",      filterClassMoog,         0, 1, outputStageNone},
    {"BP2 SVF",     filterClassSVF,          1, 1, outputStageNone},
    {"BP2 K20",     filterClassMS20,         1, 1, outputStageNone},
    {"BP2 XP",      filterClassOTA,          4, 1, outputStageNone},
    {"BP2 MG",      filterClassMoog,         4, 1, outputStageNone},
    {"BP4 XP",      filterClassOTA,          1, 1, outputStageNone},
    {"BP4 MG",      filterClassMoog,         1, 1, outputStageNone},
    {"HP2 SVF",     filterClassSVF,          2, 1, outputStageNone},
    {"HP2 K20",     filterClassMS20,         2, 1, outputStageNone},
    {"HP2 XP",      filterClassOTA,          5, 1, outputStageNone},
    {"HP2 MG",      filterClassMoog,         5, 1, outputStageNone},
    {"HP4 XP",      filterClassOTA,          2, 1, outputStageNone},
    {"HP4 MG",      filterClassMoog,         2, 1, outputStageNone},
};

const int32_t typeIndexMap[filterTypeNumberCount] = {
    0, 2, 4, 1, 3, 5, 7, 8, 9, 11, 10, 11, 12, 13, 14, 15, 16,
    17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 6,
};
// clang-format on

int32_t filterRowForTypeValue(float physicalValue) noexcept
{
    int32_t number = 0;
    if (physicalValue >= static_cast<float>(filterTypeNumberCount - 1))
        number = filterTypeNumberCount - 1;
    else if (physicalValue > 0.f)
        number = static_cast<int32_t>(physicalValue);
    return typeIndexMap[number];
}

int32_t typeNumberForRow(int32_t row) noexcept
{
    if (row < 0 || row >= filterMenuCount) return -1;
    // "RingMod" is reachable from two numbers; the menu writes the first one.
    for (int32_t n = 0; n < filterTypeNumberCount; ++n)
        if (typeIndexMap[n] == row) return n;
    return -1;
}
