#pragma once
// AnalogFilter: the frame shared by the analog filter models (SVFAFilter, MS20AFilter,
// OTAAFilter, MoogAFilter).
//
// Operations (beyond KsFilter):
//   setSampleRate  stores the rate and marks the coefficients dirty; does not reset.
//   setCutoff      cutoff target as a note (stored as octaves above note 0); marks dirty.
//   setResonance   resonance target, 0..1 scaled by 0.99; marks dirty.
//   setDrive       drive target; marks dirty.
//   reset          takes the targets over as current values, clears every lane's state.
//   processSingle  single-buffer entry: filters the first buffer only.
//
// Each model keeps its settings as now/target pairs. At the start of a block in which the
// settings changed, every coefficient is designed from the "now" and from the "target"
// settings and then glides linearly from the one to the other across the block; at block
// end the targets become the now values. Unchanged settings run with constant coefficients.
//
// The filter state is held for four channels side by side. process runs lane 0 with scalar
// code; processStereo runs the left buffer in lane 0 and the right one in lane 1 of this
// object in one pass with four-lane vectors (the partner object is not touched). Both
// paths run the same per-sample code, so each channel of processStereo equals process of
// that channel sample for sample (both lanes share one noise value per sample).
//
// Threading: one thread at a time. process and processStereo are noexcept, allocate
// nothing and lock nothing. Setters limit out-of-range values and ignore NaN.

#include "filters/KsFilter.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

#if defined(__SSE__) && !defined(ORVANE_ANALOG_NO_VECTOR)
#include <xmmintrin.h>
#endif

// The models' sample loops are compiled three times on x86-64 with GCC: for the baseline,
// for x86-64-v3 (AVX2 with fused multiply-add) and for x86-64-v4 (AVX-512, whose 32 vector
// registers keep the ladders' per-sample state out of the stack); the loader picks the best
// one the processor has. The loops are bound by the chain of saturators from one stage to
// the next, and fusing each multiply with the add that follows it (GCC does so by default,
// -ffp-contract=fast) shortens every link of that chain. A fused multiply-add rounds once
// instead of twice, so on processors with FMA the output differs from the baseline build
// within rounding. The scalar and the stereo path of one process always run the same
// variant, so they stay equal sample for sample.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && !defined(ORVANE_ANALOG_NO_VECTOR)
#define ORVANE_ANALOG_LOOP __attribute__((target_clones("default", "arch=x86-64-v3", "arch=x86-64-v4")))
#else
#define ORVANE_ANALOG_LOOP
#endif

namespace analog
{

// Four single-precision lanes: a GCC vector where the compiler has them, otherwise a plain
// array with the same operations (the scalar fallback; defining ORVANE_ANALOG_NO_VECTOR
// selects it on any compiler, which is how its results are checked against the vectors).
#if defined(__GNUC__) && !defined(ORVANE_ANALOG_NO_VECTOR)
typedef float Lanes __attribute__((vector_size(16)));
typedef int32_t LaneInts __attribute__((vector_size(16)));

inline Lanes makeLanes(float a, float b) noexcept
{
    return Lanes{a, b, 0.f, 0.f};
}
inline Lanes loadLanes(const float* p) noexcept
{
    Lanes v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void storeLanes(float* p, Lanes v) noexcept
{
    std::memcpy(p, &v, sizeof v);
}

// x < hi ? x : hi (a NaN x yields hi), the same rule as the scalar upperLimit below.
inline Lanes upperLimit(Lanes x, float hi) noexcept
{
#if defined(__SSE__)
    return _mm_min_ps(x, _mm_set1_ps(hi));
#else
    return x < hi ? x : hi;
#endif
}
// x > lo ? x : lo (a NaN x yields lo).
inline Lanes lowerLimit(Lanes x, float lo) noexcept
{
#if defined(__SSE__)
    return _mm_max_ps(x, _mm_set1_ps(lo));
#else
    return x > lo ? x : lo;
#endif
}
inline Lanes magnitude(Lanes x) noexcept
{
    return (Lanes)((LaneInts)x & 0x7fffffff);
}
#else
struct Lanes {
    float v[4];
    float& operator[](int i) noexcept { return v[i]; }
    float operator[](int i) const noexcept { return v[i]; }
};
inline Lanes makeLanes(float a, float b) noexcept
{
    return Lanes{{a, b, 0.f, 0.f}};
}
inline Lanes loadLanes(const float* p) noexcept
{
    return Lanes{{p[0], p[1], p[2], p[3]}};
}
inline void storeLanes(float* p, Lanes x) noexcept
{
    std::memcpy(p, x.v, sizeof x.v);
}

#define ORVANE_LANES_OP(op)                                                                                  \
    inline Lanes operator op(Lanes a, Lanes b) noexcept                                                      \
    {                                                                                                        \
        return Lanes{{a.v[0] op b.v[0], a.v[1] op b.v[1], a.v[2] op b.v[2], a.v[3] op b.v[3]}};              \
    }                                                                                                        \
    inline Lanes operator op(Lanes a, float b) noexcept                                                      \
    {                                                                                                        \
        return Lanes{{a.v[0] op b, a.v[1] op b, a.v[2] op b, a.v[3] op b}};                                  \
    }                                                                                                        \
    inline Lanes operator op(float a, Lanes b) noexcept                                                      \
    {                                                                                                        \
        return Lanes{{a op b.v[0], a op b.v[1], a op b.v[2], a op b.v[3]}};                                  \
    }
ORVANE_LANES_OP(+)
ORVANE_LANES_OP(-)
ORVANE_LANES_OP(*)
#undef ORVANE_LANES_OP
inline Lanes operator-(Lanes a) noexcept
{
    return Lanes{{-a.v[0], -a.v[1], -a.v[2], -a.v[3]}};
}

inline Lanes upperLimit(Lanes x, float hi) noexcept
{
    for (float& f : x.v)
        f = f < hi ? f : hi;
    return x;
}
inline Lanes lowerLimit(Lanes x, float lo) noexcept
{
    for (float& f : x.v)
        f = f > lo ? f : lo;
    return x;
}
inline Lanes magnitude(Lanes x) noexcept
{
    for (float& f : x.v)
        f = std::fabs(f);
    return x;
}
#endif

// Scalar forms with the same NaN rule as the lane forms.
inline float upperLimit(float x, float hi) noexcept
{
    return x < hi ? x : hi;
}
inline float lowerLimit(float x, float lo) noexcept
{
    return x > lo ? x : lo;
}
inline float magnitude(float x) noexcept
{
    return std::fabs(x);
}

// The saturator taken apart, for the models' per-sample chains: with y = x limited to -2..2,
// S(x) = y + (|y| / 16 - 1 / 4) * y^3. addScaled forms acc + a * S(x) with the linear and the
// cubic part running side by side, which shortens the chain from one stage to the next.
// |y| and y^2 are taken from x directly (min(|x|, 2) and min(x^2, 4) are the same numbers,
// NaN included), so they need not wait for the limited y.
template <class T> struct Saturated {
    T y, mag, cube;
    explicit Saturated(T x) noexcept
        : y(lowerLimit(upperLimit(x, 2.f), -2.f)), mag(upperLimit(magnitude(x), 2.f)),
          cube(upperLimit(x * x, 4.f) * y)
    {
    }
    T value() const noexcept { return y + (mag * 0.0625f - 0.25f) * cube; }
    T addScaled(T acc, float a) const noexcept
    {
        return (acc + y * a) + (mag * (a * 0.0625f) - a * 0.25f) * cube;
    }
};

// Saturator: odd, slope 1 at 0, reaching 1 at |x| >= 2. A NaN input gives a finite value,
// so a bad input sample cannot poison the state of the models that saturate their states.
template <class T> inline T saturate(T x) noexcept
{
    return Saturated<T>(x).value();
}

// Sample access for the two ways of running a model: one channel in lane 0 with scalars,
// or a stereo pair in lanes 0 and 1 with four-lane vectors.
struct MonoIo {
    using T = float;
    float* buffer;
    T load(int i) const noexcept { return buffer[i]; }
    void store(int i, T v) const noexcept { buffer[i] = v; }
    static T state(const float* lanes) noexcept { return lanes[0]; }
    static void keep(float* lanes, T v) noexcept { lanes[0] = v; }
};

struct StereoIo {
    using T = Lanes;
    float* left;
    float* right;
    T load(int i) const noexcept { return makeLanes(left[i], right[i]); }
    void store(int i, T v) const noexcept
    {
        left[i] = v[0];
        right[i] = v[1];
    }
    static T state(const float* lanes) noexcept { return loadLanes(lanes); }
    static void keep(float* lanes, T v) noexcept { storeLanes(lanes, v); }
};

// The noise generator: one linear congruential step per use.
inline uint32_t nextNoise(uint32_t seed) noexcept
{
    return seed * 196314165u + 907633515u;
}

// Note to frequency on the octave scale: 5.75 octaves (note 69) is 440 Hz.
inline double octavesToHz(double octaves) noexcept
{
    return 440.0 * std::exp2(octaves - 5.75);
}

// Ladder models: stage gain for fn = 2 Hz / rate (a fitted tuning curve, valid up to 0.54),
// and the factor that keeps the resonance even across that range.
double ladderTuning(double fn) noexcept;
double ladderCompensation(double fn) noexcept;

// Ladder output mix per mode: output = go * (c0 * u + c1 * y1 + c2 * y2 + c3 * y3 + c4 * y4),
// u being the ladder input. Modes: 4-pole low, band, high; 2-pole low, band, high.
inline constexpr int ladderModeCount = 6;
inline constexpr float ladderMix[ladderModeCount][5] = {
    {0.f, 0.f, 0.f, 0.f, 1.f}, {0.f, 0.f, 3.f, -6.f, 3.f},   {1.f, -4.f, 6.f, -4.f, 1.f},
    {0.f, 0.f, 1.f, 0.f, 0.f}, {0.f, 1.5f, -1.5f, 0.f, 0.f}, {1.f, -2.f, 1.f, 0.f, 0.f},
};
// Ladder output for a mode known when compiling: terms with a zero weight are left out.
template <int M, class T> inline T ladderOutput(T u, T y1, T y2, T y3, T y4) noexcept
{
    constexpr const float* c = ladderMix[M];
    T out{};
    if constexpr (c[0] != 0.f) out = out + u * c[0];
    if constexpr (c[1] != 0.f) out = out + y1 * c[1];
    if constexpr (c[2] != 0.f) out = out + y2 * c[2];
    if constexpr (c[3] != 0.f) out = out + y3 * c[3];
    if constexpr (c[4] != 0.f) out = out + y4 * c[4];
    return out;
}

// Calls f with std::integral_constant<int, mode> for a mode in 0..Count-1, or with -1 for any
// other mode, so that each model runs a loop specialised for its mode.
template <int Count, class F> inline void withMode(int mode, F&& f) noexcept
{
    [&]<int... M>(std::integer_sequence<int, M...>)
    {
        if (!((mode == M ? (f(std::integral_constant<int, M>{}), true) : false) || ...))
            f(std::integral_constant<int, -1>{});
    }
    (std::make_integer_sequence<int, Count>{});
}

// Weights of a ladder stage's input and of its previous input (the stage's zero).
inline constexpr float stageWeight = 0.7692308f, stageZeroWeight = 0.23076923f;
// Scale of the ladders' noise: a signed 32-bit seed to about +-5e-8.
inline constexpr float ladderNoiseScale = 2.3283065e-17f;

} // namespace analog

class AnalogFilter : public KsFilter
{
  public:
    void setSampleRate(float hz) noexcept override;
    void setCutoff(float note) noexcept override;
    void setResonance(float r) noexcept override;
    void setDrive(float d) noexcept override;

    // Single-buffer entry: runs process on the first buffer; the second is not touched.
    virtual void processSingle(float* first, float* second, int frames) noexcept;

    // Current value of coefficient i of the model (see each model's Coef enum).
    float getCoefficient(int i) const noexcept { return (i >= 0 && i < coefCount) ? coef[i] : 0.f; }
    bool isDirty() const noexcept { return dirty; }
    // The noise generator starts its sequence again, as in a new filter.
    void restartNoise() noexcept { noiseSeed = initialNoiseSeed; }

    static constexpr int coefCount = 4;
    static constexpr int laneCount = 4;

  protected:
    // The settings a coefficient set is designed from.
    struct Settings {
        float octaves, resonance, drive, sampleRate;
        int32_t mode;
        bool operator==(const Settings&) const = default;
    };

    AnalogFilter();
    // Designs the model's coefficients for one set of settings.
    virtual void design(const Settings& s, float* out) const noexcept = 0;

    // Block start: designs the coefficient ramps if dirty. False for an empty block.
    bool beginBlock(int frames) noexcept;
    // Block end: the targets become the now values; the ramps stop where they arrived.
    void endBlock() noexcept;
    // Takes the targets over as the now values and marks dirty (each model's reset also
    // clears its state).
    void resetSettings() noexcept;

    float cutoffNow = 5.f, cutoffTarget = 5.f; // octaves above note 0
    float resNow = 0.f, resTarget = 0.f;
    float driveNow = 1.f, driveTarget = 1.f;
    bool dirty = true;
    // Ladder models keep dirty set while the cutoff or feedback ramp runs, so that the
    // following block lands the coefficients exactly on their targets.
    bool redesignAfterRamp = false;
    static constexpr uint32_t initialNoiseSeed = 0x2545F491u;
    uint32_t noiseSeed = initialNoiseSeed;

    float coef[coefCount] = {}; // current coefficient values
    float coefStep[coefCount] = {};

  private:
    Settings nowSettings() const noexcept;
    Settings targetSettings() const noexcept;

    // The last target design, reused as the next block's "now" design.
    Settings cachedSettings{};
    float cachedCoef[coefCount] = {};
    bool cacheValid = false;
};

// The entry points the models share: one channel in lane 0 with scalars, or a stereo pair in
// lanes 0 and 1 of this object with four-lane vectors (the partner is not used), each running
// the model's sample loop specialised for its mode. Model defines
// template <int M, class Io> void runMode(Io io, int frames) for the modes 0..modeCount - 1
// and -1 (any other mode); its source file instantiates this class for it.
template <class Model, int modeCount> class AnalogModel : public AnalogFilter
{
  public:
    void process(float* buffer, int frames) noexcept final;
    void processStereo(float* left, float* right, int frames, KsFilter& partner) noexcept final;

  private:
    template <class Io> void run(Io io, int frames) noexcept;
};

template <class Model, int modeCount>
void AnalogModel<Model, modeCount>::process(float* buffer, int frames) noexcept
{
    if (buffer) run(analog::MonoIo{buffer}, frames);
}

template <class Model, int modeCount>
void AnalogModel<Model, modeCount>::processStereo(float* left, float* right, int frames, KsFilter&) noexcept
{
    if (!left || !right) return process(left ? left : right, frames);
    run(analog::StereoIo{left, right}, frames);
}

template <class Model, int modeCount>
template <class Io>
void AnalogModel<Model, modeCount>::run(Io io, int frames) noexcept
{
    analog::withMode<modeCount>(
        mode, [&](auto m) { static_cast<Model*>(this)->template runMode<decltype(m)::value>(io, frames); });
}
