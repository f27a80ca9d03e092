#include "filters/KsFilterComb.h"

#include "filters/KsFilterBiquad.h"
#include "filters/KsFilterCombNeg.h"

#include <algorithm>
#include <cmath>

namespace
{
// Samples in one second at a rate, rounded; 0 for unusable rates.
int secondOfSamples(float sr) noexcept
{
    if (!(sr > 0.f)) return 0;
    return static_cast<int>(std::min(sr, 1e7f) + 0.5f);
}

// Adding and removing a tiny offset flushes denormals to zero.
inline float flush(float v) noexcept
{
    v += 1e-18f;
    return v - 1e-18f;
}
} // namespace

void CombDelayLine::allocate(float maxSampleRate)
{
    const int needed = secondOfSamples(maxSampleRate);
    if (needed <= capacity && buffer) return;
    buffer = std::make_unique<float[]>(static_cast<size_t>(needed > 0 ? needed : 1));
    capacity = needed > 0 ? needed : 1;
    length = std::min(length, capacity);
    clear();
}

void CombDelayLine::setSampleRate(float sr) noexcept
{
    sampleRate = sr;
    length = std::min(secondOfSamples(sr), capacity);
    fadeStep = sr > 0.f ? 1.f / (sr * 0.01f) : 1.f;
    // The blocker's corner stays at 5 Hz whatever the rate.
    pole = sr > 31.415928f ? 1.f - 31.415928f / sr : 0.f;
    dcX1 = dcY1 = 0.f;
    clear();
}

void CombDelayLine::setDelayTime(float seconds) noexcept
{
    if (seconds == delayTime) return;
    delayTime = seconds;
    changing = pending = true;
}

int CombDelayLine::delaySamples() const noexcept
{
    const float d = delayTime * sampleRate + 0.5f;
    if (!(d >= 0.f)) return 0;
    if (d >= static_cast<float>(length)) return length > 0 ? length - 1 : 0;
    return static_cast<int>(d);
}

void CombDelayLine::clear() noexcept
{
    readIndex = newReadIndex = 0;
    changing = pending = crossfading = false;
    fade = 0.f;
    writeIndex = delaySamples();
    if (buffer) std::fill(buffer.get(), buffer.get() + capacity, 0.f);
}

void CombDelayLine::process(float* io, int frames) noexcept
{
    if (length <= 0) {
        // No line: nothing is delayed yet, so the comb's output is silence.
        std::fill(io, io + std::max(frames, 0), 0.f);
        return;
    }
    float* const buf = buffer.get();
    const int len = length;
    for (int i = 0; i < frames; ++i) {
        const float x = io[i];
        float y;
        if (!changing) {
            y = buf[readIndex];
            buf[writeIndex] = flush(y * feedback + x);
            if (++readIndex >= len) readIndex = 0;
            if (++writeIndex >= len) writeIndex = 0;
        } else {
            if (pending && !crossfading) {
                pending = false;
                crossfading = true;
                newReadIndex = writeIndex - delaySamples();
                if (newReadIndex < 0) newReadIndex += len;
                fade = 0.f;
            }
            y = (1.f - fade) * buf[readIndex] + fade * buf[newReadIndex];
            buf[writeIndex] = flush(y * feedback + x);
            if (++readIndex >= len) readIndex = 0;
            if (++newReadIndex >= len) newReadIndex = 0;
            if (++writeIndex >= len) writeIndex = 0;
            fade += fadeStep;
            if (fade >= 1.f) {
                crossfading = false;
                fade = 0.f;
                readIndex = newReadIndex;
                changing = pending;
            }
        }
        io[i] = y;
    }
    float x1 = dcX1, y1 = dcY1;
    for (int i = 0; i < frames; ++i) {
        const float x = io[i];
        const float y = flush(x - x1 + pole * y1);
        x1 = x;
        y1 = y;
        io[i] = y;
    }
    dcX1 = x1;
    dcY1 = y1;
}

namespace
{
float periodOfNote(float note) noexcept
{
    return 1.f / noteToHz(note);
}
} // namespace

void KsFilterComb::setSampleRate(float hz) noexcept
{
    sampleRate = hz;
    line.setSampleRate(hz);
}

void KsFilterComb::setCutoff(float note) noexcept
{
    line.setDelayTime(periodOfNote(note));
}

void KsFilterCombNeg::setSampleRate(float hz) noexcept
{
    sampleRate = hz;
    line.setSampleRate(hz);
}

void KsFilterCombNeg::setCutoff(float note) noexcept
{
    line.setDelayTime(periodOfNote(note));
}
