#include "units/Flanger.h"

#include "units/Limit.h"

#include <algorithm>
#include <cmath>

namespace
{
// Delay and depth are limited so that base + depth (30 ms) always fits the 35 ms line.
constexpr float maxBaseDelay = 0.02f;
constexpr float maxDepth = 0.01f;
// Keeps the LFO increment below one period per sample whatever the host asks.
constexpr float maxRateHz = 100.0f;
constexpr float maxFeedback = 0.95f;
constexpr float steps = static_cast<float>(SineTable::steps);
} // namespace

Flanger::Flanger()
{
    reset();
}

void Flanger::setSampleRate(float sr)
{
    if (!(sr > 0.0f) || !std::isfinite(sr)) return;
    sampleRate = sr;
    // A floor of 64 samples keeps room for the largest depth at very low rates.
    capacity = std::max(static_cast<int>(sr * 35.0f / 1000.0f + 0.5f), 64);
    buffer = std::make_unique<float[]>(capacity);
    reset();
}

int Flanger::depthSamples() const noexcept
{
    return static_cast<int>(depth * sampleRate + 0.5f);
}

int Flanger::lengthFor() const noexcept
{
    int n = static_cast<int>((depth + baseDelay) * sampleRate + 0.5f);
    // A tap may reach depthSamples back from readBase; the line must be longer than
    // that so that the wrapped index stays inside it.
    n = std::max(n, depthSamples() + 1);
    if (capacity > 0) n = std::min(n, capacity);
    return std::max(n, 1);
}

void Flanger::reset() noexcept
{
    if (buffer) std::fill_n(buffer.get(), capacity, 0.0f);
    phase = 0.0f;
    length = lengthFor();
    writeIndex = 0;
    readBase = depthSamples();
    if (readBase >= length) readBase = 0;
}

void Flanger::setBaseDelay(float seconds) noexcept
{
    const float v = limitTo(seconds, 0.0f, maxBaseDelay);
    if (v == baseDelay) return;
    baseDelay = v;
    updateLength();
}

void Flanger::setDepth(float seconds) noexcept
{
    const float v = limitTo(seconds, 0.0f, maxDepth);
    if (v == depth) return;
    depth = v;
    updateLength();
}

void Flanger::updateLength() noexcept
{
    length = lengthFor();
    if (readBase >= length) readBase = 0;
    writeIndex = readBase - depthSamples();
    if (writeIndex < 0) writeIndex += length;
}

void Flanger::process(float* left, float* right, int frames, float mix, float rateHz, float fb) noexcept
{
    feedback = limitTo(fb, 0.0f, maxFeedback);
    wet = limitTo(mix, 0.0f, 1.0f) * 0.5f;
    rate = limitTo(rateHz, 0.0f, maxRateHz);
    if (sampleRate == 0.0f || !buffer || frames <= 0) return;

    const float* sine = table.get();
    float* line = buffer.get();
    const int len = length;
    const float span = depth * sampleRate;
    // At absurdly low sample rates the increment is held below half a period per sample.
    const float inc = std::min(rate * steps / sampleRate, steps * 0.5f);
    const float lead = stereoOffset * steps * 0.25f;
    const float fbk = feedback;
    const float w = wet, dry = 1.0f - wet;
    float ph = phase;
    int wi = writeIndex, rb = readBase;

    // Interpolated sine at table position p, then the interpolated line read at the
    // delay offset it selects (0 .. depth x sampleRate samples behind readBase).
    auto tap = [&](float p) noexcept {
        const int i = static_cast<int>(p);
        const float s = sine[i] + (sine[i + 1] - sine[i]) * (p - static_cast<float>(i));
        const float d = (s * 0.5f + 0.5f) * span;
        const int k = static_cast<int>(d);
        const float f = d - static_cast<float>(k);
        int a = rb - k + len;
        if (a >= len) a -= len;
        int b = a + 1;
        if (b >= len) b -= len;
        return (1.0f - f) * line[b] + f * line[a];
    };

    for (int n = 0; n < frames; ++n) {
        const float xL = left[n], xR = right[n];
        ph += inc;
        if (ph >= steps) ph -= steps;
        const float tapL = tap(ph);
        float q = ph + lead;
        if (q >= steps) q -= steps;
        const float tapR = tap(q);
        float v = (tapL + tapR) * fbk * 0.5f + (xL + xR) * 0.5f;
        if (v > -1e-15f && v < 1e-15f) v = 0.0f;
        line[wi] = v;
        left[n] = tapL * w + xL * dry;
        right[n] = tapR * w + xR * dry;
        if (++wi >= len) wi = 0;
        if (++rb >= len) rb = 0;
    }
    phase = ph;
    writeIndex = wi;
    readBase = rb;
}
