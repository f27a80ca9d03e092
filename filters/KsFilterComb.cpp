#include "filters/KsFilterComb.h"

#include "filters/KsFilterBiquad.h"
#include "filters/KsFilterCombNeg.h"
#include "units/Limit.h"

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

// Above 2^-35 in magnitude adding and removing 1e-18 gives the value back exactly (half a
// unit in the last place exceeds 1e-18 on both sides of it), so only smaller values (and
// not-a-number) need the additions. Testing first keeps the two additions off the DC
// blocker's chain from one sample to the next; the branch is almost never taken.
constexpr float flushFree = 0x1p-35f;
inline float flushSmall(float v) noexcept
{
    if (__builtin_expect(std::fabs(v) > flushFree, 1)) return v;
    return flush(v);
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
    // The tuning frequency (one over the delay) is held safely below Nyquist, as every
    // filter's design frequency is; a delay within the limit is used as it is.
    float seconds = delayTime;
    if (seconds > 0.f && sampleRate > 0.f) {
        const float hz = 1.f / seconds, held = belowNyquist(hz, sampleRate);
        if (held < hz) seconds = 1.f / held;
    }
    const float d = seconds * sampleRate + 0.5f;
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

template <int channels>
void CombDelayLine::runLines(CombDelayLine* const* lines, float* const* io, int frames) noexcept
{
    // The positions, flags and fade live in locals for the loop: as members they would be
    // written back and read again around every sample's store into the line (which may
    // alias them), putting a store and a load on the fade's chain from one sample to the
    // next.
    float* bufs[channels];
    float feedbacks[channels];
    for (int c = 0; c < channels; ++c) {
        bufs[c] = lines[c]->buffer.get();
        feedbacks[c] = lines[c]->feedback;
    }
    const int len = length;
    const float step = fadeStep;
    int ri = readIndex, nri = newReadIndex, wi = writeIndex;
    bool isChanging = changing, isPending = pending, isCrossfading = crossfading;
    float fd = fade;
    for (int i = 0; i < frames; ++i) {
        if (!isChanging) {
            for (int c = 0; c < channels; ++c) {
                const float x = io[c][i];
                const float y = bufs[c][ri];
                bufs[c][wi] = flush(y * feedbacks[c] + x);
                io[c][i] = y;
            }
            if (++ri >= len) ri = 0;
            if (++wi >= len) wi = 0;
        } else {
            if (isPending && !isCrossfading) {
                isPending = false;
                isCrossfading = true;
                nri = wi - delaySamples();
                if (nri < 0) nri += len;
                fd = 0.f;
            }
            for (int c = 0; c < channels; ++c) {
                const float x = io[c][i];
                const float y = (1.f - fd) * bufs[c][ri] + fd * bufs[c][nri];
                bufs[c][wi] = flush(y * feedbacks[c] + x);
                io[c][i] = y;
            }
            if (++ri >= len) ri = 0;
            if (++nri >= len) nri = 0;
            if (++wi >= len) wi = 0;
            fd += step;
            if (fd >= 1.f) {
                isCrossfading = false;
                fd = 0.f;
                ri = nri;
                isChanging = isPending;
            }
        }
    }
    for (int c = 0; c < channels; ++c) {
        CombDelayLine& line = *lines[c];
        line.readIndex = ri;
        line.newReadIndex = nri;
        line.writeIndex = wi;
        line.changing = isChanging;
        line.pending = isPending;
        line.crossfading = isCrossfading;
        line.fade = fd;
    }
}

void CombDelayLine::process(float* io, int frames) noexcept
{
    if (length <= 0) {
        // No line: nothing is delayed yet, so the comb's output is silence.
        std::fill(io, io + std::max(frames, 0), 0.f);
        return;
    }
    CombDelayLine* const self[1] = {this};
    float* const ios[1] = {io};
    runLines<1>(self, ios, frames);
    float x1 = dcX1, y1 = dcY1;
    for (int i = 0; i < frames; ++i) {
        const float x = io[i];
        const float y = flushSmall(x - x1 + pole * y1);
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
    CombDelayLine* const lines[2] = {this, &o};
    float* const ios[2] = {left, right};
    runLines<2>(lines, ios, frames);

    // Both DC blockers side by side: their recursions overlap.
    typedef float Pair __attribute__((vector_size(8)));
    const Pair pole2{pole, o.pole}, tiny{1e-18f, 1e-18f};
    Pair x1{dcX1, o.dcX1}, y1{dcY1, o.dcY1};
    for (int i = 0; i < frames; ++i) {
        const Pair x{left[i], right[i]};
        Pair y = x - x1 + pole2 * y1;
        if (__builtin_expect(!(std::fabs(y[0]) > flushFree && std::fabs(y[1]) > flushFree), 0)) {
            y += tiny;
            y -= tiny;
        }
        x1 = x;
        y1 = y;
        left[i] = y[0];
        right[i] = y[1];
    }
    dcX1 = x1[0], o.dcX1 = x1[1];
    dcY1 = y1[0], o.dcY1 = y1[1];
}

float combPeriodOfNote(float note) noexcept
{
    return 1.f / noteToHz(note);
}
