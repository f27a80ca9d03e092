#pragma once
// Two stereo biquad stages in series (a first stage per channel, then a second stage per
// channel) run as one four-lane vector: lanes 0 and 1 hold the first stage of the left and
// the right channel, lanes 2 and 3 the second stage. The lanes are skewed by a few frames:
// the step that runs the first stage on frame n runs the second stage on frame n - lag,
// whose first-stage output an earlier step left in the buffer. Each lane computes exactly what
// BiquadFilter::processSample computes, so the result equals the four filters run sample by
// sample; it takes about a quarter of the instructions, and the four recursions overlap.
//
// Nothing here allocates; the functions are realtime-safe.

#include "units/BiquadFilter.h"

namespace biquad_cascade
{

typedef float Lanes __attribute__((vector_size(16)));
typedef int LaneMask __attribute__((vector_size(16)));

// How many frames the second stage runs behind the first. Its input is then a first-stage
// output from several steps back, read from the buffer, so the only chain from one step to
// the next is each stage's own recursion; with a lag of one it would be the first stage's
// output of the step just before, and every step would wait for it.
constexpr int lag = 4;

struct Stages {
    Lanes b0, b1, b2, a1, a2, x1, x2, y1, y2;

    // filters: left first stage, right first stage, left second stage, right second stage.
    explicit Stages(BiquadFilter* const* filters) noexcept
    {
        for (int k = 0; k < 4; ++k) {
            const BiquadFilter& f = *filters[k];
            b0[k] = f.b0;
            b1[k] = f.b1;
            b2[k] = f.b2;
            a1[k] = f.a1;
            a2[k] = f.a2;
            x1[k] = f.x1;
            x2[k] = f.x2;
            y1[k] = f.y1;
            y2[k] = f.y2;
        }
    }

    void store(BiquadFilter* const* filters) const noexcept
    {
        for (int k = 0; k < 4; ++k) {
            BiquadFilter& f = *filters[k];
            f.x1 = x1[k];
            f.x2 = x2[k];
            f.y1 = y1[k];
            f.y2 = y2[k];
        }
    }

    Lanes step(Lanes x) noexcept
    {
        const Lanes y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }

    // Steps only the lanes whose mask is set; the others keep their state.
    Lanes stepLanes(Lanes x, LaneMask mask) noexcept
    {
        const Lanes keepX1 = x1, keepX2 = x2, keepY1 = y1, keepY2 = y2;
        const Lanes y = step(x);
        x1 = mask ? x1 : keepX1;
        x2 = mask ? x2 : keepX2;
        y1 = mask ? y1 : keepY1;
        y2 = mask ? y2 : keepY2;
        return y;
    }
};

// Filters left and right in place through both stages. perFrame(n) is called once for every
// frame n in order, inside the same loop, so that another recursion can overlap the filters'.
template <class PerFrame>
inline void run(BiquadFilter* const* filters, float* left, float* right, int frames,
                PerFrame&& perFrame) noexcept
{
    if (frames <= 0) return;
    Stages stages(filters);
    const LaneMask firstOnly = {-1, -1, 0, 0}, secondOnly = {0, 0, -1, -1};
    const int head = frames < lag ? frames : lag;
    // The first stage alone on the first frames; its output waits in the buffers.
    for (int n = 0; n < head; ++n) {
        perFrame(n);
        const Lanes y = stages.stepLanes(Lanes{left[n], right[n], 0.0f, 0.0f}, firstOnly);
        left[n] = y[0];
        right[n] = y[1];
    }
    // Both stages: the first on frame n, the second on frame n - lag.
    for (int n = lag; n < frames; ++n) {
        perFrame(n);
        const Lanes y = stages.step(Lanes{left[n], right[n], left[n - lag], right[n - lag]});
        left[n] = y[0];
        right[n] = y[1];
        left[n - lag] = y[2];
        right[n - lag] = y[3];
    }
    // The second stage alone on the last frames.
    for (int n = frames - head; n < frames; ++n) {
        const Lanes y = stages.stepLanes(Lanes{0.0f, 0.0f, left[n], right[n]}, secondOnly);
        left[n] = y[2];
        right[n] = y[3];
    }
    stages.store(filters);
}

} // namespace biquad_cascade
