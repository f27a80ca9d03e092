#include "engine/Lfo.h"

#include "engine/Random.h"

#include <algorithm>
#include <cmath>

namespace
{

constexpr float lfoPi = 3.141592f;

// The waveform table shared by every oscillator: row s holds shape s at t = i / 100 for
// i = 0..99, and entry 100 repeats entry 0 so that interpolation never leaves the row.
// The random shapes (5 and 6) are computed, not read; their rows hold the centre value.
struct ShapeTable {
    float rows[Lfo::shapeCount][Lfo::tableSize];

    ShapeTable()
    {
        for (int i = 0; i < 100; ++i) {
            const float t = static_cast<float>(i) / 100.0f;
            const float sine = 0.5f + 0.5f * std::sin(2.0f * lfoPi * t);
            float triangle;
            if (t <= 0.25f)
                triangle = 0.5f + 2.0f * t;
            else if (t <= 0.75f)
                triangle = 1.0f - 2.0f * (t - 0.25f);
            else
                triangle = 2.0f * (t - 0.75f);
            const float square = t < 0.5f ? 0.0f : 1.0f;
            rows[Lfo::sine][i] = sine;
            rows[Lfo::triangle][i] = triangle;
            rows[Lfo::rampUp][i] = t;
            rows[Lfo::rampDown][i] = 1.0f - t;
            rows[Lfo::square][i] = square;
            rows[Lfo::randomSquare][i] = 0.5f;
            rows[Lfo::randomTriangle][i] = 0.5f;
            rows[Lfo::invertedSine][i] = 1.0f - sine;
            rows[Lfo::invertedTriangle][i] = 1.0f - triangle;
            rows[Lfo::invertedSquare][i] = 1.0f - square;
        }
        for (auto& row : rows)
            row[100] = row[0];
    }
};

// Built once, thread-safely, by the first oscillator constructed.
const ShapeTable& shapeTable()
{
    static const ShapeTable table;
    return table;
}

// A random level in 0..1 from the process-wide generator.
float randomLevel() noexcept
{
    return static_cast<float>(ksRand()) / static_cast<float>(kKsRandMax);
}

} // namespace

const char* Lfo::shapeName(int shape) noexcept
{
    static const char* const names[shapeCount] = {
        "Sine",          "Triangle",        "Ramp Up",       "Ramp Down",         "Square",
        "Random Square", "Random Triangle", "Inverted Sine", "Inverted Triangle", "Inverted Square"};
    return names[std::clamp(shape, 0, shapeCount - 1)];
}

Lfo::Lfo()
{
    shapeTable();
    update();
}

void Lfo::restart() noexcept
{
    constexpr auto relaxed = std::memory_order_relaxed;
    phase.store(0.0, relaxed);
    outputValue.store(0.0f, relaxed);
    target.store(0.0f, relaxed);
    randomFrom.store(0.0f, relaxed);
    randomTo.store(0.0f, relaxed);
}

void Lfo::setShape(int newShape) noexcept
{
    shape.store(std::clamp(newShape, 0, shapeCount - 1), std::memory_order_relaxed);
}

void Lfo::setDepth(float newDepth) noexcept
{
    if (!(newDepth >= 0.0f)) // also catches NaN
        newDepth = 0.0f;
    depth.store(std::min(newDepth, 1.0f), std::memory_order_relaxed);
}

void Lfo::setRate(float hz) noexcept
{
    if (!std::isfinite(hz) || hz < 0.0f) hz = 0.0f;
    rate.store(hz, std::memory_order_relaxed);
}

void Lfo::setSampleRate(float newRate) noexcept
{
    if (std::isfinite(newRate) && newRate > 0.0f) sampleRate.store(newRate, std::memory_order_relaxed);
    update();
}

void Lfo::update() noexcept
{
    const float sr = sampleRate.load(std::memory_order_relaxed);
    increment.store(static_cast<double>(rate.load(std::memory_order_relaxed)) / sr,
                    std::memory_order_relaxed);
    slewStep.store(1.0f / (sr * 0.01f), std::memory_order_relaxed);
}

void Lfo::setPhase(double newPhase) noexcept
{
    if (!std::isfinite(newPhase) || newPhase < 0.0 || newPhase >= 1.0) newPhase = 0.0;
    phase.store(newPhase, std::memory_order_relaxed);
}

float Lfo::shapeValue(int s, double t) noexcept
{
    s = std::clamp(s, 0, shapeCount - 1);
    // Rounding can carry phase * 100 to exactly 100; keep the index inside the row.
    const double x = std::clamp(t, 0.0, 1.0) * 100.0;
    const int i = std::min(static_cast<int>(x), 99);
    const float g = static_cast<float>(x - i);
    const float* row = shapeTable().rows[s];
    return (1.0f - g) * row[i] + g * row[i + 1];
}

void Lfo::advance(int frames) noexcept
{
    if (frames <= 0) return;
    const double previous = phase.load(std::memory_order_relaxed);
    double now = previous + frames * increment.load(std::memory_order_relaxed);
    // A rate far above the block rate (or a sample rate not yet known) can move the phase by
    // more than one cycle; wrap it fully so that it always stays in 0..1.
    if (now >= 1.0) now -= std::floor(now);
    if (!(now >= 0.0 && now < 1.0)) now = 0.0;
    phase.store(now, std::memory_order_relaxed);
    const bool halfCycle = (previous < 0.5 && now >= 0.5) || previous > now;

    const int s = shape.load(std::memory_order_relaxed);
    const float d = depth.load(std::memory_order_relaxed);
    float t = target.load(std::memory_order_relaxed);
    if (s == randomSquare) {
        if (halfCycle) t = (randomLevel() - 0.5f) * d;
    } else if (s == randomTriangle) {
        if (halfCycle) {
            randomFrom.store(randomTo.load(std::memory_order_relaxed), std::memory_order_relaxed);
            randomTo.store((randomLevel() - 0.5f) * d, std::memory_order_relaxed);
        }
        double g = 2.0 * now;
        if (g >= 1.0) g -= 1.0;
        const float gf = static_cast<float>(g);
        t = (1.0f - gf) * randomFrom.load(std::memory_order_relaxed) +
            gf * randomTo.load(std::memory_order_relaxed);
    } else {
        t = (shapeValue(s, now) - 0.5f) * d;
    }
    target.store(t, std::memory_order_relaxed);

    // Slew: a full-scale jump takes 10 ms, and the output never overshoots the target.
    const float maxStep = frames * slewStep.load(std::memory_order_relaxed);
    const float out = outputValue.load(std::memory_order_relaxed);
    outputValue.store(std::clamp(t, out - maxStep, out + maxStep), std::memory_order_relaxed);
}
