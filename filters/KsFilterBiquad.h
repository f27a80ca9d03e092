#pragma once
// KsFilterBiquad: one second-order section in direct form I, the building block of the
// "BQ", "Fat", "Formant", "Peaking" and "Notch" filter types.
//
// Setters only mark the coefficients dirty; the design runs (in double precision) at the
// start of the next process call, so several settings between two blocks cost one design.
// Filtering is single precision. After each block a section whose output ran away (beyond
// +-1000, or not a number) restarts from silence.

#include "filters/KsFilter.h"

#include <typeinfo>

class KsFilterBiquad : public KsFilter
{
  public:
    // Response modes.
    enum : int32_t {
        lowPass = 0,
        bandPass = 1,
        highPass = 2,
        notch = 3,
        peaking = 4,
        allPass = 5,
        formant = 6,
    };

    KsFilterBiquad() noexcept = default;
    // A section preset to a mode and variant (used by the composite filters).
    KsFilterBiquad(int32_t initialMode, int32_t initialVariant) noexcept;

    // Marks dirty, takes the current settings as designed and clears the history.
    void reset() noexcept override;
    // cutoffHz = 440 x 2^((note - 69) / 12); marks dirty. The design uses it held at most
    // 0.45 x the sample rate.
    void setCutoff(float note) noexcept override;
    // Resonance 0..1; marks dirty.
    void setResonance(float r) noexcept override;
    // Mode 0..6 (see the enum); marks dirty.
    void setMode(int32_t m) noexcept override;
    // Redesigns if dirty, then filters one channel in place.
    void process(float* buffer, int frames) noexcept override;
    // Variant 0..4 scales the resonance in some modes; takes effect at the next design.
    void setVariant(int32_t v) noexcept override { variant = v; }
    // Both channels in one pass; the result equals process on each channel in turn.
    void processStereo(float* left, float* right, int frames, KsFilter& partner) noexcept override;

    // Two sections in series over a stereo pair in one pass: first/firstRight take the
    // input, second/secondRight their outputs. Each right section takes over its left
    // section's design when the settings match. The result equals running the sections
    // one after the other.
    static void processCascade(KsFilterBiquad& first, KsFilterBiquad& firstRight, KsFilterBiquad& second,
                               KsFilterBiquad& secondRight, float* left, float* right, int frames) noexcept;

    // processCascade, then setCutoffHz(hz) on the four sections: the same results. For a
    // band-pass and a peaking section whose right sections have the left ones' settings, the
    // design for hz is made during the filtering rather than at the next call.
    static void processCascadeThenSetCutoff(KsFilterBiquad& first, KsFilterBiquad& firstRight,
                                            KsFilterBiquad& second, KsFilterBiquad& secondRight, float* left,
                                            float* right, int frames, float hz) noexcept;

    // Computes b0..a2 from sampleRate, cutoffHz, resonance, mode and variant; false (and
    // the coefficients left as they are) when the settings give no usable design.
    bool design() noexcept;
    // Sets the cutoff in Hz directly (a section taking over its neighbour's conversion);
    // marks dirty.
    void setCutoffHz(float hz) noexcept
    {
        cutoffHz = hz;
        dirty = 1;
    }
    // Runs the pending design, if any.
    void prepare() noexcept
    {
        if (dirty) prepareNow();
    }
    // Runs the pending design, taking the coefficients over from a section that was
    // designed for exactly the same settings (the other channel of a pair) when it can.
    void prepareLike(const KsFilterBiquad& source) noexcept;
    // Runs the pending designs of two sections, computing the angle's sine and cosine once
    // when both are at the same rate and cutoff. The same result as prepare on each.
    static void prepareBoth(KsFilterBiquad& first, KsFilterBiquad& second) noexcept;

    int32_t dirty = 1;
    float designedCutoff = 17000.f;
    float designedResonance = 0.f;
    float cutoffHz = 17000.f;
    float resonance = 0.f;
    float b0 = 0.f, b1 = 0.f, b2 = 0.f, a1 = 0.f, a2 = 0.f;
    float y1 = 0.f, y2 = 0.f, x1 = 0.f, x2 = 0.f;
    int32_t variant = 0;

  private:
    struct DesignKey {
        float sampleRate, cutoffHz, resonance;
        int32_t mode, variant;
        bool operator==(const DesignKey&) const = default;
    };
    // The angle of the design frequency at the rate, with its sine and cosine, and the
    // design frequency itself (the cutoff, held below Nyquist).
    struct Trig {
        double w = 0.0, s = 0.0, c = 0.0, hz = 0.0;
    };
    struct Coefficients {
        float b0, b1, b2, a1, a2;
    };
    struct BandPassPeaking;
    Trig trigAt(float hz) const noexcept;
    // Same rate, resonance, mode and variant (the cutoff aside).
    bool sameSettings(const KsFilterBiquad& o) const noexcept;
    // Takes coefficients designed for the current settings, as prepare would.
    void install(const Coefficients& k) noexcept;
    DesignKey currentKey() const noexcept { return {sampleRate, cutoffHz, resonance, mode, variant}; }
    bool designable() const noexcept;
    Trig trig() const noexcept;
    // The design from a given angle; sets validDesign unless the mode is unknown.
    void design(const Trig& t) noexcept;
    void prepareNow() noexcept;
    void prepareNow(const Trig& t) noexcept;
    // Clears dirty and records the settings of the design just made.
    void designed() noexcept;
    // Filters the left buffer with l and the right one with r (both designed), then guards
    // both histories.
    static void filterPair(KsFilterBiquad& l, KsFilterBiquad& r, float* left, float* right,
                           int frames) noexcept;
    void guardHistory() noexcept;

    DesignKey designKey{}; // settings of the coefficients in place, when hasDesign
    bool hasDesign = false;
    bool validDesign = false; // the last design call produced coefficients
    // The peaking gain factor depends on the resonance only; kept for the next design.
    double peakGainDb = -1.0, peakA = 1.0;
};

// Frequency in Hz of a note number (69 = 440 Hz, 12 per octave).
float noteToHz(float note) noexcept;

// Whether a filter is exactly of class T (the stereo passes pair equal classes only).
// Comparing the type records' addresses first avoids a name comparison in the usual case.
template <class T> inline bool isExactly(const KsFilter& f) noexcept
{
    const std::type_info& t = typeid(f);
    return &t == &typeid(T) || t == typeid(T);
}
