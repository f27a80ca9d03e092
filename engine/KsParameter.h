// KsParameter: one engine parameter (kind, names, unit, range, smoothed and target
// values, tempo-sync table).
//
// Every parameter is set and read as a normalised value 0..1 and mapped to its
// physical range. A set starts a linear 10 ms ramp from the present smoothed value
// to the new target; the audio thread advances the ramp by whole sub-blocks.
//
// Threading: host, editor and audio threads share these objects without locks.
// Every field that one thread writes while another reads is a std::atomic
// (relaxed); texts, kind, range and sync tables are fixed after construction.
// Nothing here allocates after construction.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>

// Something that adds a value to a parameter: the engine's oscillators derive
// from this, so that a parameter can read their output without knowing them.
class KsModulationSource
{
  public:
    virtual ~KsModulationSource() = default;
    // Present output, centred on 0; read on the audio thread.
    virtual float modulationOutput() const noexcept = 0;
};

class KsParameter
{
  public:
    static constexpr int kTextSize = 128; // names, units and display texts, terminator included
    static constexpr int kMaxSync = 64;   // entries of a sync table

    // Copies the texts (a null altName or unit leaves the text empty; a null
    // unit also marks the unit absent); both values start at minimum.
    KsParameter(int kind, bool announces, const char* name, const char* altName, const char* unit,
                float minimum, float maximum);

    // Sets the target from a normalised value (limited to 0..1; non-finite
    // values are ignored) and starts a ramp, unless the target is unchanged.
    void setValue(float normalised) noexcept;
    // Normalised value of the target.
    float getValue() const noexcept;
    // The whole number a selector or counter holds (menu entry, type, pattern): its physical
    // target, truncated with a small margin so that a value stored as 2.9999 reads 3; 0 below 0.
    int wholeValue() const noexcept;
    // Physical value -> normalised value.
    float normalise(float physical) const noexcept;
    // Normalised value -> physical value (kind 0 rounds to an integer outside 0..1 ranges).
    float physicalOf(float normalised) const noexcept;

    // Moves the ramp on by a number of samples.
    void advance(int samples) noexcept;
    // Smoothed value (plus the modulation source's output, limited to 0..1, when one is set).
    float current() const noexcept;
    // Target value (plus the modulation source's output, limited to 0..1, when one is set).
    float target() const noexcept;
    // Advances the ramp by samples, then returns current().
    float read(int samples) noexcept
    {
        advance(samples);
        return current();
    }
    // The smoothed value jumps to the target.
    void resetSmoothing() noexcept;
    // Stores the rate and derives the ramp length (10 ms).
    void setSampleRate(float rate) noexcept;

    // Fills the sync table (count limited to 64; names are kept as pointers to
    // static texts) and the free rate range.
    void setSyncTable(int count, const float* beats, const char* const* names, float freeMinHz,
                      float freeMaxHz) noexcept;
    // Selected sync entry: (1 - v) * syncCount truncated, limited to syncCount - 1 (0 when empty).
    int syncIndex() const noexcept;
    // Rate in Hz at a tempo (beats per minute; a tempo that is not finite or
    // not above 0 counts as 120).
    float rateHz(float tempo) const noexcept;
    // Phase 0..1 of the synced period at a song position in beats; -1 when not synced.
    double syncPhase(double position) const noexcept;
    // Whole synced periods since position 0 (never negative); -1 when not synced.
    std::int64_t syncCycles(double position) const noexcept;

    // Writes the display text into text (at least kTextSize bytes).
    void formatValue(char* text) const noexcept;
    // The unit text ("" when absent).
    const char* unitText() const noexcept { return unit; }
    bool hasUnit() const noexcept { return unitPresent; }
    void setModulation(const KsModulationSource* source) noexcept
    {
        modulation.store(source, std::memory_order_relaxed);
        changes.fetch_add(1, std::memory_order_release);
    }
    // Whether reads give the same value until the next change: the smoothed value has reached
    // the target and no modulation source is set.
    bool settled() const noexcept
    {
        return currentValue.load(std::memory_order_relaxed) == targetValue.load(std::memory_order_relaxed) &&
               !modulation.load(std::memory_order_relaxed);
    }
    // Counts every target write, smoothing reset and modulation change of any parameter (after
    // the write, with release order), so that the audio thread can tell with one load that
    // nothing it read from settled parameters has changed since.
    static inline std::atomic<std::uint32_t> changes{0};
    bool isSynced() const noexcept { return synced.load(std::memory_order_relaxed); }
    void setSynced(bool on) noexcept { synced.store(on, std::memory_order_relaxed); }

    // Fields, in the order of the design.
    int kind = 0;
    std::atomic<const KsModulationSource*> modulation{nullptr};
    char name[kTextSize] = {};
    char altName[kTextSize] = {};
    char unit[kTextSize] = {};
    bool unitPresent = false;
    float minimum = 0.0f;
    float maximum = 1.0f;
    std::atomic<float> currentValue{0.0f};
    std::atomic<float> targetValue{0.0f};
    std::atomic<float> rampStart{0.0f};
    float smoothingTime = 0.01f;
    std::atomic<int> rampLength{0};
    float sampleRate = 0.0f;
    std::atomic<std::uint32_t> rampCounter{0};
    bool announces = false;
    std::atomic<bool> synced{false};
    int syncCount = 0;
    float syncBeats[kMaxSync] = {};
    const char* syncNames[kMaxSync] = {};
    float freeMinHz = 0.0f;
    float freeMaxHz = 0.0f;
    bool interpolateFree = false;
    bool showMs = false;

  private:
    float withModulation(float value) const noexcept;
};

// The operations the audio thread calls for every parameter read, inline: a sub-block reads
// dozens of parameters, and a call each would cost more than the work.

inline void KsParameter::advance(int samples) noexcept
{
    const float t = targetValue.load(std::memory_order_relaxed);
    if (currentValue.load(std::memory_order_relaxed) == t || samples < 0) return;
    const std::uint32_t counter =
        rampCounter.load(std::memory_order_relaxed) + static_cast<std::uint32_t>(samples);
    rampCounter.store(counter, std::memory_order_relaxed);
    const int length = rampLength.load(std::memory_order_relaxed);
    // Without a ramp length (no sample rate yet) the set completes at once.
    const float f =
        length > 0 ? std::min(1.0f, static_cast<float>(counter) / static_cast<float>(length)) : 1.0f;
    currentValue.store(f == 1.0f ? t : f * t + (1.0f - f) * rampStart.load(std::memory_order_relaxed),
                       std::memory_order_relaxed);
}

inline float KsParameter::withModulation(float value) const noexcept
{
    const KsModulationSource* source = modulation.load(std::memory_order_relaxed);
    if (!source) return value;
    return std::clamp(value + source->modulationOutput(), 0.0f, 1.0f);
}

inline float KsParameter::current() const noexcept
{
    return withModulation(currentValue.load(std::memory_order_relaxed));
}

inline int KsParameter::wholeValue() const noexcept
{
    const float v = targetValue.load(std::memory_order_relaxed);
    return v > 0.0f ? static_cast<int>(v + 0.0001f) : 0;
}

inline float KsParameter::target() const noexcept
{
    return withModulation(targetValue.load(std::memory_order_relaxed));
}
