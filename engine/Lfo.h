// Lfo: low-frequency oscillator with ten shapes, a free or tempo-locked rate, a depth and a 10 ms
// output slew limit. An oscillator modulates a parameter by being attached as that parameter's
// modulation source: the parameter adds output() to its own value and limits the sum to 0..1.
//
// Operations:
//   setShape(shape)        waveform 0..9 (out-of-range values are limited to that range)
//   setDepth(depth)        output scale; the output lies between -depth / 2 and +depth / 2
//   setRate(hz)            cycles per second; call update() afterwards
//   setSampleRate(rate)    host sample rate; recomputes increment and slew
//   update()               recomputes increment (rate / sampleRate) and the slew step
//   setPhase(phase)        jumps to a phase in 0..1 (tempo resynchronisation)
//   advance(frames)        one step per sub-block: moves the phase and the slewed output
//   output()               slew-limited output, centred on 0 (also modulationOutput(), the
//                          value a parameter adds when this oscillator is its modulation source)
//
// Threading: the setters run on whichever thread sets parameters, advance() on the audio thread.
// Every field is a relaxed atomic, so readers always see whole values. Nothing here allocates;
// advance() and output() never throw. The random shapes draw from the process-wide generator.
#pragma once

#include "engine/KsParameter.h"

#include <atomic>

class Lfo : public KsModulationSource
{
  public:
    static constexpr int shapeCount = 10;
    static constexpr int tableSize = 101;

    // Shape numbers, in the order the editor's menus list them.
    enum Shape {
        sine = 0,
        triangle = 1,
        rampUp = 2,
        rampDown = 3,
        square = 4,
        randomSquare = 5,
        randomTriangle = 6,
        invertedSine = 7,
        invertedTriangle = 8,
        invertedSquare = 9
    };

    Lfo();

    // Back to the start of a cycle with the output at rest, as after construction; shape,
    // depth and rate are kept.
    void restart() noexcept;

    void setShape(int newShape) noexcept;
    int getShape() const noexcept { return shape.load(std::memory_order_relaxed); }
    void setDepth(float newDepth) noexcept;
    float getDepth() const noexcept { return depth.load(std::memory_order_relaxed); }
    void setRate(float hz) noexcept;
    float getRate() const noexcept { return rate.load(std::memory_order_relaxed); }
    void setSampleRate(float newRate) noexcept;
    void update() noexcept;
    void setPhase(double newPhase) noexcept;
    double getPhase() const noexcept { return phase.load(std::memory_order_relaxed); }
    double getIncrement() const noexcept { return increment.load(std::memory_order_relaxed); }

    void advance(int frames) noexcept;
    float output() const noexcept { return outputValue.load(std::memory_order_relaxed); }
    float modulationOutput() const noexcept override { return output(); }
    float getTarget() const noexcept { return target.load(std::memory_order_relaxed); }

    // Value of a table shape (0..4, 7..9) at phase t in 0..1, range 0..1, linearly interpolated in
    // the shared 10 x 101 table. The random shapes have no table row and give 0.5.
    static float shapeValue(int shape, double t) noexcept;
    // Menu name of a shape ("Sine" .. "Inverted Square"); shapes outside 0..9 are limited.
    static const char* shapeName(int shape) noexcept;

  private:
    std::atomic<int> shape{0};
    std::atomic<float> rate{1.0f};
    std::atomic<float> depth{0.0f};
    std::atomic<double> phase{0.0};
    std::atomic<double> increment{0.0};
    std::atomic<float> outputValue{0.0f};
    std::atomic<float> sampleRate{1.0f};
    std::atomic<float> target{0.0f};
    std::atomic<float> slewStep{0.0f};
    std::atomic<float> randomFrom{0.0f};
    std::atomic<float> randomTo{0.0f};
};
