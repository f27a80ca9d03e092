#include "units/Flanger.h"

#include "units/Limit.h"
#include "units/LoopTargets.h"

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
constexpr int maxChunk = 64;
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
    for (int n = 0; n < frames; n += maxChunk)
        processChunk(left + n, right + n, std::min(maxChunk, frames - n));
}

ORVANE_UNIT_LOOP
void Flanger::processChunk(float* left, float* right, int frames) noexcept
{
    // The block runs in passes: the LFO positions, then the tap offsets (independent per
    // sample, so the conversions and arithmetic vectorise), then the line itself, which
    // must go sample by sample because the taps may read what this chunk wrote. Every
    // sample gets exactly the formula of the one-pass loop.
    const float* sine = table.get();
    float* line = buffer.get();
    const int len = length;
    const float dep = depth, sr = sampleRate;
    // At absurdly low sample rates the increment is held below half a period per sample.
    const float inc = std::min(rate * steps / sampleRate, steps * 0.5f);
    const float lead = stereoOffset * steps * 0.25f;

    // Pass 1: LFO positions of both taps, the right one a quarter period ahead, and the
    // read base of every sample.
    alignas(16) float pos[2][maxChunk];
    alignas(16) int base[maxChunk];
    float ph = phase;
    int rb = readBase;
    for (int n = 0; n < frames; ++n) {
        ph += inc;
        if (ph >= steps) ph -= steps;
        float q = ph + lead;
        if (q >= steps) q -= steps;
        pos[0][n] = ph;
        pos[1][n] = q;
        base[n] = rb;
        if (++rb >= len) rb = 0;
    }
    phase = ph;
    readBase = rb;

    // Pass 2: interpolated sine at each position, the delay offset it selects and the two
    // line indices around it.
    alignas(16) int cell[maxChunk];
    alignas(16) float frac[maxChunk];
    alignas(16) float s[maxChunk];
    alignas(16) int older[2][maxChunk];
    alignas(16) int newer[2][maxChunk];
    alignas(16) float weight[2][maxChunk];
    for (int t = 0; t < 2; ++t) {
        for (int n = 0; n < frames; ++n) {
            const float p = pos[t][n];
            cell[n] = static_cast<int>(p);
            frac[n] = p - static_cast<float>(cell[n]);
        }
        for (int n = 0; n < frames; ++n) {
            const int i = cell[n];
            s[n] = sine[i] + (sine[i + 1] - sine[i]) * frac[n];
        }
        int* __restrict a = older[t];
        int* __restrict b = newer[t];
        float* __restrict w = weight[t];
        for (int n = 0; n < frames; ++n) {
            const float d = (s[n] * 0.5f + 0.5f) * dep * sr;
            const int k = static_cast<int>(d);
            w[n] = d - static_cast<float>(k);
            // The offset k never reaches the line length, so one wrap is enough.
            int ai = base[n] - k + len;
            ai = ai >= len ? ai - len : ai;
            int bi = ai + 1;
            bi = bi >= len ? bi - len : bi;
            a[n] = ai;
            b[n] = bi;
        }
    }

    // Pass 3: read both taps, feed the mono sum back and blend. When the line is long enough
    // that no tap of this chunk can reach a slot the chunk writes (the taps lie at least
    // length - depth samples behind the write position), every read comes before every write
    // in effect, and the reads and the arithmetic run as one loop that vectorises; the line is
    // written after it. Otherwise the chunk goes sample by sample.
    const float fbk = feedback;
    const float w = wet, dry = 1.0f - wet;
    int wi = writeIndex;
    const auto tap = [&](int t, int n) noexcept {
        const float f = weight[t][n];
        return (1.0f - f) * line[newer[t][n]] + f * line[older[t][n]];
    };
    const auto feed = [&](float tapL, float tapR, float xL, float xR) noexcept {
        const float v = (tapL + tapR) * fbk * 0.5f + (xL + xR) * 0.5f;
        return (v > -1e-15f && v < 1e-15f) ? 0.0f : v;
    };
    if (len - depthSamples() - 1 >= frames) {
        alignas(16) float fed[maxChunk];
        for (int n = 0; n < frames; ++n) {
            const float xL = left[n], xR = right[n];
            const float tapL = tap(0, n), tapR = tap(1, n);
            fed[n] = feed(tapL, tapR, xL, xR);
            left[n] = tapL * w + xL * dry;
            right[n] = tapR * w + xR * dry;
        }
        const int first = std::min(frames, len - wi);
        std::copy_n(fed, first, line + wi);
        std::copy_n(fed + first, frames - first, line);
        wi += frames;
        if (wi >= len) wi -= len;
    } else {
        for (int n = 0; n < frames; ++n) {
            const float xL = left[n], xR = right[n];
            const float tapL = tap(0, n), tapR = tap(1, n);
            line[wi] = feed(tapL, tapR, xL, xR);
            left[n] = tapL * w + xL * dry;
            right[n] = tapR * w + xR * dry;
            if (++wi >= len) wi = 0;
        }
    }
    writeIndex = wi;
}
