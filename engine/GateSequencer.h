// GateSequencer: the 16-step sequencer behind the trance gate, the sequencer pan and the sequencer
// cutoff modulation. It holds 8 patterns of 16 steps (a volume and a tie into the next step each),
// a shared attack / sustain / decay envelope with swing, and one clock that runs through the 16
// steps in 1 / rate seconds. The engine keeps which pattern each destination plays; the static
// chain helpers below tell it which pattern comes next.
//
// Operations:
//   setSampleRate(rate)               host sample rate of the clock
//   setAttack/Sustain/Decay(v)        envelope segments as fractions of a step (0..1)
//   setShuffle(v)                     swing 0..1: the even step of each pair lasts 0.5 + 0.5 v pairs
//   setRate(hz)                       16-step cycles per second
//   setStepVolume(p, s, v), setTie    copies of the step parameters (p, s 0-based)
//   setPosition(phase)                jumps to a phase 0..1 within the cycle (resynchronisation)
//   gateEnvelope(pattern)             envelope value 0..1 of a pattern at the present position
//   advanceClock(frames)              moves the clock; true when the cycle wrapped
//   nextPattern(current, mask)        chain stepping at a wrap
//   firstActivePattern(cycles, mask)  the pattern a chain plays in the given whole cycle
//
// A chain is given as a bit mask: bit p set means pattern p takes part in it.
// Threading: setters run wherever parameters are set, gateEnvelope and advanceClock on the audio
// thread; all fields are relaxed atomics. Nothing here allocates, locks or throws.
#pragma once

#include <atomic>
#include <cstdint>

class GateSequencer
{
  public:
    static constexpr int patternCount = 8;
    static constexpr int stepCount = 16;

    void setSampleRate(float rate) noexcept;
    void setAttack(float v) noexcept { attack.store(unit(v), std::memory_order_relaxed); }
    void setSustain(float v) noexcept { sustain.store(unit(v), std::memory_order_relaxed); }
    void setDecay(float v) noexcept { decay.store(unit(v), std::memory_order_relaxed); }
    void setShuffle(float v) noexcept { shuffle.store(unit(v), std::memory_order_relaxed); }
    void setRate(float hz) noexcept;
    float getRate() const noexcept { return rate.load(std::memory_order_relaxed); }
    void setStepVolume(int pattern, int step, float v) noexcept;
    float getStepVolume(int pattern, int step) const noexcept;
    void setTie(int pattern, int step, bool on) noexcept;
    bool getTie(int pattern, int step) const noexcept;
    void setPosition(double phase) noexcept;
    double getPosition() const noexcept { return position.load(std::memory_order_relaxed); }

    float gateEnvelope(int pattern) const noexcept;
    bool advanceClock(int frames) noexcept;

    // First switched-on pattern after current in cyclic order; pattern 0 when the chain is empty.
    static int nextPattern(int current, unsigned mask) noexcept;
    // The chain's switched-on patterns played in turn, one per whole cycle counted from song
    // position 0: the (cycles mod k)-th of the k switched-on patterns; pattern 0 when empty.
    static int firstActivePattern(std::int64_t cycles, unsigned mask) noexcept;

  private:
    static float unit(float v) noexcept { return v >= 0.0f ? (v <= 1.0f ? v : 1.0f) : 0.0f; }
    static bool validStep(int pattern, int step) noexcept
    {
        return pattern >= 0 && pattern < patternCount && step >= 0 && step < stepCount;
    }

    std::atomic<float> sampleRate{0.0f};
    std::atomic<double> position{0.0};
    std::atomic<float> attack{0.0f};
    std::atomic<float> sustain{0.0f};
    std::atomic<float> decay{0.0f};
    std::atomic<float> shuffle{0.0f};
    std::atomic<float> rate{0.0f};
    std::atomic<float> volume[patternCount][stepCount]{};
    std::atomic<std::uint8_t> tie[patternCount][stepCount]{};
};
