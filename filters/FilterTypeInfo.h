#pragma once
// FilterTypeInfo: the table of the multimode filter's types, the one place that holds their
// order, menu names and settings. The editor's menu and every listing read it from here.
//
// Rows 0..32 are the types the "MmFilterType" parameter can select (through typeIndexMap);
// rows 33..50 are the analog models without oversampling, reachable only through
// MultimodeFilter::setType.

#include <cstdint>

struct FilterTypeInfo {
    char name[32];        // menu name, NUL-terminated
    int32_t filterClass;  // which pair of filter objects runs (0..14)
    int32_t mode;         // passed to the filters' setMode
    int32_t oversampling; // 1, or 2 to run the filters at twice the host rate
    int32_t outputStage;  // 0 none, 1 gain limiter, 2 soft clipper
};

// Output stages.
enum : int32_t { outputStageNone = 0, outputStageLimiter = 1, outputStageSoftClip = 2 };

// Filter classes: the filterClass numbers and what each selects.
enum : int32_t {
    filterClassBiquad = 0, // KsFilterBiquad; KsFilterBiquadPeaking for mode 4
    filterClassBiquadBP = 1,
    filterClassBiquadLPFat = 2,
    filterClassBiquadBPFat = 3,
    filterClassBiquadFat = 4,
    filterClassComb = 5,
    filterClassCombNeg = 6,
    filterClassRingMod = 7,
    filterClassSVF = 8,
    filterClassMS20 = 9,
    filterClassOTA = 10,
    filterClassMoog = 11,
    filterClassTube = 12,
    filterClassMech = 13,
    filterClassBitRed = 14,
};

inline constexpr int filterTypeCount = 51;       // rows of filterTypes
inline constexpr int filterTypeNumberCount = 34; // type numbers 0..33 of "MmFilterType"
inline constexpr int filterMenuCount = 33;       // rows 0..32 appear in the editor's menu
inline constexpr int filterRowBitRed = 14;       // the "Bit Red" row

extern const FilterTypeInfo filterTypes[filterTypeCount];

// Type number of "MmFilterType" (0..33) -> row of filterTypes.
extern const int32_t typeIndexMap[filterTypeNumberCount];

// Row for a physical "MmFilterType" value: its integer part limited to 0..33, mapped.
int32_t filterRowForTypeValue(float physicalValue) noexcept;

// The type number the editor writes for a menu row 0..32 (the inverse of typeIndexMap);
// -1 for rows outside the menu.
int32_t typeNumberForRow(int32_t row) noexcept;
