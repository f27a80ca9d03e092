#include "units/StereoDelay.h"

#include "units/BiquadCascade.h"
#include "units/Limit.h"
#include "units/LoopTargets.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace
{
constexpr float lineSeconds = 24.0f;
// Lines are sized for at most this rate (73 MB for both); faster hosts get shorter lines.
constexpr float maxLineRate = 384000.0f;
constexpr double highPassHz = 300.0;
constexpr double octaves = 1.5;
constexpr float noCutoff = 16000.0f;
constexpr int maxChunk = 64;

float* allocateLine(int n)
{
    return new (std::nothrow) float[static_cast<size_t>(n)];
}
} // namespace

StereoDelay::StereoDelay()
{
    reset();
}

void StereoDelay::setSampleRate(float sr)
{
    if (!(sr > 0.0f) || !std::isfinite(sr)) return;
    sampleRate = sr;
    leftBuffer.reset();
    rightBuffer.reset();
    capacity = std::max(static_cast<int>(lineSeconds * std::min(sr, maxLineRate)), 1);
    leftBuffer.reset(allocateLine(capacity));
    rightBuffer.reset(allocateLine(capacity));
    if (!leftBuffer || !rightBuffer) {
        // Out of memory: run without lines (audio passes unchanged) rather than fail.
        leftBuffer.reset();
        rightBuffer.reset();
        capacity = 0;
    }
    leftLength = lineLength(leftRate);
    rightLength = lineLength(rightRate);
    highPassL.setHighPass(sr, highPassHz, octaves, false);
    highPassR.setHighPass(sr, highPassHz, octaves, false);
    // The low-passes follow the rate at once rather than waiting for the next cutoff change.
    if (lastCutoff != noCutoff) designLowPasses();
    reset();
}

void StereoDelay::reset() noexcept
{
    leftIndex = 0;
    rightIndex = 0;
    lowPassL.clearState();
    lowPassR.clearState();
    highPassL.clearState();
    highPassR.clearState();
    if (leftBuffer && rightBuffer) {
        std::fill_n(leftBuffer.get(), capacity, 0.0f);
        std::fill_n(rightBuffer.get(), capacity, 0.0f);
    }
}

void StereoDelay::setLeftRate(float hz) noexcept
{
    const float v = limitTo(hz, 0.0f, 1e9f);
    if (v == leftRate) return;
    leftRate = v;
    leftLength = lineLength(leftRate);
}

void StereoDelay::setRightRate(float hz) noexcept
{
    const float v = limitTo(hz, 0.0f, 1e9f);
    if (v == rightRate) return;
    rightRate = v;
    rightLength = lineLength(rightRate);
}

double StereoDelay::cutoffHz(float v) noexcept
{
    if (v >= 1.0f) return 16000.0;
    if (!(v > 0.0f)) return 80.0;
    double t = -0.25 * std::log10(1.0 - static_cast<double>(v));
    t = std::min(t, 1.0);
    if (t < 1.0000000116860974e-7) t = 0.0;
    return t * 15920.0 + 80.0;
}

void StereoDelay::setCutoff(float v) noexcept
{
    v = limitTo(v, 0.0f, 1.0f);
    if (v == lastCutoff) return;
    lastCutoff = v;
    designLowPasses();
}

void StereoDelay::designLowPasses() noexcept
{
    if (sampleRate <= 0.0f) return;
    // The design holds the corner below Nyquist, so hosts running under 35.6 kHz still get a
    // low-pass.
    const double hz = cutoffHz(lastCutoff);
    lowPassL.setLowPass(sampleRate, hz, octaves, false);
    lowPassR.setLowPass(sampleRate, hz, octaves, false);
}

int StereoDelay::lineLength(float rate) const noexcept
{
    if (!(rate > 0.0f)) return std::max(capacity, 1);
    const float period = sampleRate / rate;
    if (!(period < static_cast<float>(capacity))) return std::max(capacity, 1);
    return std::max(static_cast<int>(period), 1);
}

void StereoDelay::process(float* left, float* right, int frames, float mixValue, float feedbackValue,
                          float cutoff) noexcept
{
    feedback = limitTo(feedbackValue, 0.0f, 1.0f) * 0.8f;
    mix = limitTo(mixValue, 0.0f, 1.0f) * 0.5f;
    setCutoff(cutoff);
    if (sampleRate == 0.0f || !leftBuffer || !rightBuffer || frames <= 0) return;
    highPassL.guardOutput();
    highPassR.guardOutput();
    lowPassL.guardOutput();
    lowPassR.guardOutput();

    const int lengthL = leftLength;
    const int lengthR = rightLength;
    // A chunk never exceeds either line, so no sample read in a chunk was written in it.
    const int chunk = std::min({maxChunk, lengthL, lengthR});
    for (int n = 0; n < frames; n += chunk)
        processChunk(left + n, right + n, std::min(chunk, frames - n), lengthL, lengthR);
}

namespace
{

// Reads the line at `index` onwards for a chunk: adds the echo to the channel and leaves
// what goes back into the line, before filtering, in `send`. Returns nothing; the index
// moves on in writeLine. An index left beyond a shrunken line is used once, then wraps.
inline void readLine(const float* line, int index, int length, float* __restrict io, float* __restrict send,
                     int frames, float mix, float feedback) noexcept
{
    int n = 0;
    while (n < frames) {
        const int stretch = std::min(frames - n, std::max(length - index, 1));
        const float* __restrict y = line + index;
        for (int j = 0; j < stretch; ++j) {
            const float x = io[n + j];
            io[n + j] = x + y[j] * mix;
            float r = y[j] * feedback;
            r = (r > -1e-15f && r < 1e-15f) ? 0.0f : r;
            send[n + j] = r + x;
        }
        n += stretch;
        index += stretch;
        if (index >= length) index = 0;
    }
}

// Writes the filtered chunk back over the slots readLine read; returns the new index.
inline int writeLine(float* line, int index, int length, const float* send, int frames) noexcept
{
    int n = 0;
    while (n < frames) {
        const int stretch = std::min(frames - n, std::max(length - index, 1));
        std::copy_n(send + n, stretch, line + index);
        n += stretch;
        index += stretch;
        if (index >= length) index = 0;
    }
    return index;
}

} // namespace

ORVANE_UNIT_LOOP
void StereoDelay::processChunk(float* left, float* right, int frames, int lengthL, int lengthR) noexcept
{
    // Three passes per chunk, each sample getting the same formula as a one-pass loop: read
    // the echoes and form what re-enters the lines (vectorised), run the four filter
    // recursions, then write the lines.
    alignas(16) float sendL[maxChunk];
    alignas(16) float sendR[maxChunk];
    readLine(leftBuffer.get(), leftIndex, lengthL, left, sendL, frames, mix, feedback);
    readLine(rightBuffer.get(), rightIndex, lengthR, right, sendR, frames, mix, feedback);

    BiquadFilter* const filters[4] = {&highPassL, &highPassR, &lowPassL, &lowPassR};
    biquad_cascade::run(filters, sendL, sendR, frames, [](int) {});

    leftIndex = writeLine(leftBuffer.get(), leftIndex, lengthL, sendL, frames);
    rightIndex = writeLine(rightBuffer.get(), rightIndex, lengthR, sendR, frames);
}
