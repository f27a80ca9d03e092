#pragma once
// MultimodeFilter: the multimode filter stage of the chain. It holds a left and a right
// object of every filter class, selects the pair of the chosen type (a row of
// filterTypes), turns the normalised cutoff and resonance into the notes and values the
// filters take, runs the pair (at twice the host rate for oversampled types), applies the
// type's output stage (gain limiter or soft clipper) and blends the result with the dry
// input.
//
// The cutoff glides towards a new value in steps of one 16-frame chunk (16 processed
// frames, so 8 input frames for oversampled types); a resonance change reaches the filters
// at the start of the block; a mix change ramps linearly over the block.
//
// Threading: one thread at a time (the audio thread). setSampleRate may allocate (the comb
// lines) and must be called outside process; process is noexcept and allocates nothing.

#include "filters/FilterTypeInfo.h"
#include "filters/KsFilterBiquad.h"
#include "filters/KsFilterBiquadBP.h"
#include "filters/KsFilterBiquadBPFat.h"
#include "filters/KsFilterBiquadFat.h"
#include "filters/KsFilterBiquadLPFat.h"
#include "filters/KsFilterBiquadPeaking.h"
#include "filters/KsFilterBitRed.h"
#include "filters/KsFilterComb.h"
#include "filters/KsFilterCombNeg.h"
#include "filters/KsFilterMech.h"
#include "filters/KsFilterRingMod.h"
#include "filters/KsFilterTube.h"
#include "filters/MS20AFilter.h"
#include "filters/MoogAFilter.h"
#include "filters/OTAAFilter.h"
#include "filters/SVFAFilter.h"
#include "units/PeakFollower.h"

class MultimodeFilter
{
  public:
    static constexpr int maxFrames = 64;   // largest block process takes
    static constexpr int chunkFrames = 16; // processed frames between cutoff updates

    MultimodeFilter();

    // Host sample rate: resets (below) and makes room in the comb lines for the rate.
    // Allocates; not on the audio path.
    void setSampleRate(float sr);
    // Resets the limiter and followers and the analog models' noise, and forgets the last
    // block's values, so that the next block sets its type up again (which clears the
    // filters) as the first block does.
    void reset() noexcept;

    // One block of 1..64 frames, in place. type is a row of filterTypes; cutoff, resonance
    // and mix are 0..1; envAmount 0..1 scales the cutoff by the input envelope, whose
    // attack and release are given in seconds. Out-of-range values are limited; a row
    // outside the table leaves the audio untouched.
    void process(int32_t type, float cutoff, float resonance, float envAmount, float mix, float envAttack,
                 float envRelease, float* leftBuffer, float* rightBuffer, int frames) noexcept;

    // Selects the pair of a row and sets it up at the given note, resonance and drive;
    // resets both filters and the limiter. Rows outside 0..50 are ignored.
    void setType(int32_t type, float note, float resonance, float drive) noexcept;

    // Normalised cutoff (scaled by the envelope when its amount is non-zero) to Hz,
    // 80..16000 on a logarithmic-like scale.
    float cutoffToHz(float cutoff) const noexcept;

    // Note number of a frequency (69 = 440 Hz), never below 0.
    static float hzToNote(float hz) noexcept;
    // Symmetric soft clip: unchanged within +-knee, bending to 1.0 at +-ceiling.
    static float softClip(float x, float knee, float ceiling) noexcept;
    // softClip over a buffer in place; the same results.
    static void softClipBuffer(float* buffer, int frames, float knee, float ceiling) noexcept;
    // The gain limiter stage: the gain drops at once to keep the stereo peak envelope at 1
    // and climbs back to 1 linearly over 7.5 s.
    void limit(float* l, float* r, int frames) noexcept;
    // Highest note handed to a filter at a type change for a host rate: just below Nyquist.
    static float maxNoteFor(float sr) noexcept;

    int32_t currentType = -1;
    KsFilter* left = nullptr;
    KsFilter* right = nullptr;

    KsFilterBiquad biquadL, biquadR;
    KsFilterBiquadBP biquadBPL, biquadBPR;
    KsFilterBiquadBPFat biquadBPFatL, biquadBPFatR;
    KsFilterBiquadFat biquadFatL, biquadFatR;
    KsFilterBiquadLPFat biquadLPFatL, biquadLPFatR;
    KsFilterBiquadPeaking peakingL, peakingR;
    KsFilterComb combL, combR;
    KsFilterCombNeg combNegL, combNegR;
    KsFilterRingMod ringModL, ringModR;
    MoogAFilter moogL, moogR;
    KsFilterTube tubeL, tubeR;
    KsFilterMech mechL, mechR;
    KsFilterBitRed bitRedL, bitRedR;
    MS20AFilter ms20L, ms20R;
    OTAAFilter otaL, otaR;
    SVFAFilter svfL, svfR;

    PeakFollower limiterFollower;
    PeakFollower envFollower;

    int32_t oversampling = 0;
    int32_t outputStage = 0;
    float limiterGain = 0.f;
    float limiterStep = 0.f;
    float sampleRate = 0.f;
    float maxNote = 0.f;

    float upLeft[2 * maxFrames] = {};
    float upRight[2 * maxFrames] = {};

    float lastCutoff = -1.f;
    float lastResonance = -1.f;
    float lastEnvAmount = -1.f;
    float lastMix = -1.f;
    float lastAttack = -1.f;
    float lastRelease = -1.f;
    float lastUnused = -1.f;

  private:
    void pairFor(const FilterTypeInfo& row, KsFilter*& l, KsFilter*& r) noexcept;
    float noteOf(float cutoff) const noexcept { return hzToNote(cutoffToHz(cutoff)); }
    void runFilters(float* l, float* r, int frames, bool ramping, float cutoffStep) noexcept;

    // The section pairs inside left and right while a "BP2" biquad type is selected, else
    // empty: each chunk of a ramp is filtered and retuned in one call.
    KsFilterBiquadPair* pairLeft = nullptr;
    KsFilterBiquadPair* pairRight = nullptr;
    // left and right as analog models while one is selected, else empty.
    AnalogFilter* analogLeft = nullptr;
    AnalogFilter* analogRight = nullptr;
};
