#include "units/Reverb.h"

#include "units/Limit.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace
{

constexpr int chunkFrames = 64;
constexpr double lowPassHz = 3000.0;
constexpr double highPassHz = 400.0;
constexpr double octaves = 1.5;
// Lines are sized for at most this rate; faster hosts get proportionally shorter tanks.
constexpr float maxLineRate = 768000.0f;

inline bool isDenormal(float x) noexcept
{
    return std::fpclassify(x) == FP_SUBNORMAL;
}

inline void flushTiny(float& x) noexcept
{
    if (x > -1e-15f && x < 1e-15f) x = 0.0f;
}

// Runs four combs over a chunk, adding each output to acc in comb order. The four
// recursions are independent, so interleaving them keeps the pipeline busy.
void runCombGroup(CombFilter* c, const float* __restrict u, float* __restrict acc, int frames,
                  bool first) noexcept
{
    CombFilter c0 = c[0], c1 = c[1], c2 = c[2], c3 = c[3];
    for (int n = 0; n < frames; ++n) {
        const float y0 = c0.process(u[n]);
        const float y1 = c1.process(u[n]);
        const float y2 = c2.process(u[n]);
        const float y3 = c3.process(u[n]);
        const float base = first ? y0 : acc[n] + y0;
        acc[n] = ((base + y1) + y2) + y3;
    }
    c[0] = c0;
    c[1] = c1;
    c[2] = c2;
    c[3] = c3;
}

// Runs one all-pass over a chunk in place. Within a stretch that does not wrap, every
// sample reads and writes its own line slot, so the stretch vectorises.
void runAllpass(AllpassFilter& a, float* __restrict io, int frames) noexcept
{
    float* __restrict line = a.line;
    const float fb = a.feedback;
    int index = a.index;
    int n = 0;
    while (n < frames) {
        const int stretch = std::min(frames - n, a.size - index);
        float* __restrict l = line + index;
        float* __restrict x = io + n;
        for (int j = 0; j < stretch; ++j) {
            const float b = l[j];
            const float u = x[j];
            l[j] = u + b * fb;
            x[j] = b - u;
        }
        n += stretch;
        index += stretch;
        if (index >= a.size) index = 0;
    }
    a.index = index;
}

} // namespace

Reverb::Reverb()
{
    setSampleRate(0.0f);
}

int Reverb::lineSize(float sr, int tuning) noexcept
{
    return static_cast<int>(sr / 44100.0f * static_cast<float>(tuning) + 0.5f);
}

void Reverb::setSampleRate(float sr)
{
    if (!(sr >= 0.0f) || !std::isfinite(sr)) return;
    const float lineRate = std::min(sr, maxLineRate);
    int sizes[numLines];
    int total = 0;
    for (int i = 0; i < numLines; ++i) {
        sizes[i] = lineSize(lineRate, tunings[i]);
        total += sizes[i];
    }
    storage.reset();
    storageSize = 0;
    sampleRate = 0.0f;
    // At very low rates a line could round to 0 samples; such a tank cannot run.
    const bool usable = sr > 0.0f && *std::min_element(sizes, sizes + numLines) > 0;
    if (usable) {
        storage.reset(new (std::nothrow) float[static_cast<size_t>(total)]);
        if (storage) {
            storageSize = total;
            sampleRate = sr;
        }
    }
    float* p = storage.get();
    for (int i = 0; i < numLines; ++i) {
        const int size = storage ? sizes[i] : 0;
        float* line = storage ? p : nullptr;
        if (i < 2 * numCombs) {
            CombFilter& c = (i % 2 == 0) ? combL[i / 2] : combR[i / 2];
            c.line = line;
            c.size = size;
        } else {
            const int k = (i - 2 * numCombs) / 2;
            AllpassFilter& a = (i % 2 == 0) ? allpassL[k] : allpassR[k];
            a.line = line;
            a.size = size;
            a.feedback = 0.5f;
        }
        if (storage) p += sizes[i];
    }
    width = 1.0f;
    updateGains();
    if (sampleRate > 0.0f) {
        lowPassL.setLowPass(sampleRate, lowPassHz, octaves, false);
        lowPassR.setLowPass(sampleRate, lowPassHz, octaves, false);
        highPassL.setHighPass(sampleRate, highPassHz, octaves, false);
        highPassR.setHighPass(sampleRate, highPassHz, octaves, false);
    }
    reset();
}

void Reverb::reset() noexcept
{
    for (CombFilter* side : {combL, combR})
        for (int k = 0; k < numCombs; ++k) {
            side[k].store = 0.0f;
            side[k].index = 0;
        }
    for (AllpassFilter* side : {allpassL, allpassR})
        for (int k = 0; k < numAllpasses; ++k)
            side[k].index = 0;
    if (storage) std::fill_n(storage.get(), storageSize, 0.0f);
    // The high-pass histories are kept on purpose: only the low-passes restart.
    lowPassL.clearState();
    lowPassR.clearState();
}

void Reverb::updateGains() noexcept
{
    wet1 = wet * (width * 0.5f + 0.5f);
    wet2 = wet * (1.0f - width) * 0.5f;
    gain = 0.015f;
    feedbackInUse = roomSize;
    dampInUse = damp;
    for (CombFilter* side : {combL, combR})
        for (int k = 0; k < numCombs; ++k) {
            side[k].feedback = feedbackInUse;
            side[k].damp1 = dampInUse;
            side[k].damp2 = 1.0f - dampInUse;
        }
}

void Reverb::setRoomSize(float v) noexcept
{
    v = limitTo(v, 0.0f, 1.0f);
    if (v <= 0.5f) {
        sizeTrim = 1.0f;
    } else {
        const float t = (v - 0.5f) * 2.0f;
        sizeTrim = 1.0f - t + t * 0.85f;
    }
    roomSize = v * 0.28f + 0.7f;
    updateGains();
}

void Reverb::setDamp(float v) noexcept
{
    damp = limitTo(v, 0.0f, 1.0f) * 0.4f;
    updateGains();
}

void Reverb::setWet(float v) noexcept
{
    wet = limitTo(v, 0.0f, 1.0f) * 3.0f;
    updateGains();
}

void Reverb::setDry(float v) noexcept
{
    dry = limitTo(v, 0.0f, 1.0f) * 2.0f;
}

void Reverb::process(float* left, float* right, int frames) noexcept
{
    if (sampleRate == 0.0f || !storage || frames <= 0) return;
    highPassL.guardOutput();
    highPassR.guardOutput();
    lowPassL.guardOutput();
    lowPassR.guardOutput();
    for (int n = 0; n < frames; n += chunkFrames)
        processChunk(left + n, right + n, std::min(chunkFrames, frames - n));
    clearDenormalLines();
}

void Reverb::processChunk(float* left, float* right, int frames) noexcept
{
    // Each stage runs over the whole chunk before the next: a comb, all-pass or filter
    // at sample n depends only on its own history and on earlier stages at sample n,
    // so the result is the same as running the chain sample by sample.
    alignas(16) float u[chunkFrames];
    alignas(16) float wetL[chunkFrames];
    alignas(16) float wetR[chunkFrames];
    for (int n = 0; n < frames; ++n)
        u[n] = (left[n] + right[n]) * gain;

    static_assert(numCombs == 8, "combs run in two groups of four");
    runCombGroup(combL, u, wetL, frames, true);
    runCombGroup(combL + 4, u, wetL, frames, false);
    runCombGroup(combR, u, wetR, frames, true);
    runCombGroup(combR + 4, u, wetR, frames, false);

    for (int k = 0; k < numAllpasses; ++k) {
        runAllpass(allpassL[k], wetL, frames);
        runAllpass(allpassR[k], wetR, frames);
    }

    BiquadFilter hpL = highPassL, hpR = highPassR, lpL = lowPassL, lpR = lowPassR;
    const float w1 = wet1, w2 = wet2, d = dry, trim = sizeTrim;
    for (int n = 0; n < frames; ++n) {
        const float l = lpL.processSample(hpL.processSample(wetL[n]));
        const float r = lpR.processSample(hpR.processSample(wetR[n]));
        const float xL = left[n], xR = right[n];
        left[n] = l * w1 + r * w2 + xL * d;
        right[n] = (r * w1 + l * w2) * trim + xR * d;
    }
    highPassL = hpL;
    highPassR = hpR;
    lowPassL = lpL;
    lowPassR = lpR;
}

void Reverb::clearDenormalLines() noexcept
{
    // Once per block, only the sample at each line's current index is tested: a tail that
    // has decayed into denormals there is over, and the whole line is cleared.
    for (CombFilter* side : {combL, combR})
        for (int k = 0; k < numCombs; ++k) {
            CombFilter& c = side[k];
            flushTiny(c.store);
            if (isDenormal(c.line[c.index])) std::fill_n(c.line, c.size, 0.0f);
        }
    for (AllpassFilter* side : {allpassL, allpassR})
        for (int k = 0; k < numAllpasses; ++k) {
            AllpassFilter& a = side[k];
            if (isDenormal(a.line[a.index])) std::fill_n(a.line, a.size, 0.0f);
        }
}
