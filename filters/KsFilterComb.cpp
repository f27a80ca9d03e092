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

bool CombDelayLine::inStepWith(const CombDelayLine& o) const noexcept
{
    return length == o.length && capacity == o.capacity && sampleRate == o.sampleRate &&
           delayTime == o.delayTime && fadeStep == o.fadeStep && fade == o.fade && readIndex == o.readIndex &&
           newReadIndex == o.newReadIndex && writeIndex == o.writeIndex && changing == o.changing &&
           pending == o.pending && crossfading == o.crossfading && buffer && o.buffer;
}

void CombDelayLine::processPair(CombDelayLine& o, float* left, float* right, int frames) noexcept
{
    if (length <= 0 || !inStepWith(o)) {
        process(left, frames);
        o.process(right, frames);
        return;
    }
    // Both lines move their taps and crossfade identically, so the positions are worked out
    // once; each channel's samples go through the same operations as in process.
    float* const bl = buffer.get();
    float* const br = o.buffer.get();
    const int len = length;
    const float fbl = feedback, fbr = o.feedback;
    for (int i = 0; i < frames; ++i) {
        const float xl = left[i], xr = right[i];
        float yl, yr;
        if (!changing) {
            yl = bl[readIndex];
            yr = br[readIndex];
            bl[writeIndex] = flush(yl * fbl + xl);
            br[writeIndex] = flush(yr * fbr + xr);
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
            yl = (1.f - fade) * bl[readIndex] + fade * bl[newReadIndex];
            yr = (1.f - fade) * br[readIndex] + fade * br[newReadIndex];
            bl[writeIndex] = flush(yl * fbl + xl);
            br[writeIndex] = flush(yr * fbr + xr);
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
        left[i] = yl;
        right[i] = yr;
    }
    o.fade = fade;
    o.readIndex = readIndex;
    o.newReadIndex = newReadIndex;
    o.writeIndex = writeIndex;
    o.changing = changing;
    o.pending = pending;
    o.crossfading = crossfading;

    // Both DC blockers side by side: their recursions overlap.
    typedef float Pair __attribute__((vector_size(8)));
    const Pair pole2{pole, o.pole}, tiny{1e-18f, 1e-18f};
    Pair x1{dcX1, o.dcX1}, y1{dcY1, o.dcY1};
    for (int i = 0; i < frames; ++i) {
        const Pair x{left[i], right[i]};
        Pair y = x - x1 + pole2 * y1;
        y += tiny;
        y -= tiny;
        x1 = x;
        y1 = y;
        left[i] = y[0];
        right[i] = y[1];
    }
    dcX1 = x1[0], o.dcX1 = x1[1];
    dcY1 = y1[0], o.dcY1 = y1[1];
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

void KsFilterComb::processStereo(float* left, float* right, int frames, KsFilter& partner) noexcept
{
    if (!isExactly<KsFilterComb>(partner)) {
        KsFilter::processStereo(left, right, frames, partner);
        return;
    }
    line.processPair(static_cast<KsFilterComb&>(partner).line, left, right, frames);
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

void KsFilterCombNeg::processStereo(float* left, float* right, int frames, KsFilter& partner) noexcept
{
    if (!isExactly<KsFilterCombNeg>(partner)) {
        KsFilter::processStereo(left, right, frames, partner);
        return;
    }
    line.processPair(static_cast<KsFilterCombNeg&>(partner).line, left, right, frames);
}
