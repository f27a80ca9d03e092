#pragma once
// Two stereo biquad stages in series (a first stage per channel, then a second stage per
// channel) run as one four-lane vector: lanes 0 and 1 hold the first stage of the left and
// the right channel, lanes 2 and 3 the second stage. The lanes are skewed by a few frames:
// the step that runs the first stage on frame n runs the second stage on frame n - lag,
// whose first-stage output an earlier step left in the buffer. Its input is then ready long
// before it is needed, so the only chain from one step to the next is each stage's own
// recursion (with a lag of one, every step would wait for the step just before). Each lane
// computes exactly what the filter's own per-sample step computes, so the result equals the
// four filters run sample by sample, in about a quarter of the instructions.
//
// Works on any filter type with the fields b0, b1, b2, a1, a2 and the histories x1, x2, y1,
// y2. Nothing here allocates; everything is realtime-safe.

#include "units/BiquadFilter.h"

namespace biquad_cascade
{

typedef float Lanes __attribute__((vector_size(16)));
typedef int LaneMask __attribute__((vector_size(16)));

// How many frames the second stage runs behind the first: four on long blocks; two on blocks
// of a few frames, where the head and tail (which step only half the lanes) would otherwise be
// most of the block.
constexpr int lag = 4;
constexpr int shortLag = 2;

// The rounding order of the recursion, which the lanes must follow to give the same bits:
// b0 x + b1 x1 + b2 x2 - a1 y1 - a2 y2 (BiquadFilter), or with the a2 term subtracted first.
enum class Order { a1First, a2First };

// A block is head, then middle over lag..frames (in as many pieces as the caller likes, in
// order), then tail, then store. perFrame(n), where given, is called for every frame n in
// order inside the same loops, so that another recursion can overlap the filters'.
template <class Filter, Order order = Order::a1First, int lag = biquad_cascade::lag> struct Stages {
    static constexpr int kLag = lag;
    Lanes b0, b1, b2, a1, a2, x1, x2, y1, y2;

    // filters: left first stage, right first stage, left second stage, right second stage.
    explicit Stages(Filter* const* filters) noexcept
    {
        for (int k = 0; k < 4; ++k) {
            const Filter& f = *filters[k];
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

    // The histories back into the four filters.
    void store(Filter* const* filters) const noexcept
    {
        for (int k = 0; k < 4; ++k) {
            Filter& f = *filters[k];
            f.x1 = x1[k];
            f.x2 = x2[k];
            f.y1 = y1[k];
            f.y2 = y2[k];
        }
    }

    // The first stage alone on the first frames; the second's lanes keep their history.
    template <class PerFrame> void head(float* left, float* right, int frames, PerFrame&& perFrame) noexcept
    {
        const int n = frames < lag ? frames : lag;
        for (int i = 0; i < n; ++i) {
            perFrame(i);
            const Lanes y = stepLanes(Lanes{left[i], right[i], 0.0f, 0.0f}, LaneMask{-1, -1, 0, 0});
            left[i] = y[0];
            right[i] = y[1];
        }
    }

    // Both stages, frames from..to - 1 (from lag on): the first on frame i, the second on
    // frame i - lag.
    template <class PerFrame>
    void middle(float* left, float* right, int from, int to, PerFrame&& perFrame) noexcept
    {
        for (int i = from; i < to; ++i) {
            perFrame(i);
            const Lanes y = step(Lanes{left[i], right[i], left[i - lag], right[i - lag]});
            left[i] = y[0];
            right[i] = y[1];
            left[i - lag] = y[2];
            right[i - lag] = y[3];
        }
    }

    // The second stage alone on the last frames; the first's lanes keep their history.
    void tail(float* left, float* right, int frames) noexcept
    {
        const int n = frames < lag ? frames : lag;
        for (int i = frames - n; i < frames; ++i) {
            const Lanes y = stepLanes(Lanes{0.0f, 0.0f, left[i], right[i]}, LaneMask{0, 0, -1, -1});
            left[i] = y[2];
            right[i] = y[3];
        }
    }

    void head(float* left, float* right, int frames) noexcept
    {
        head(left, right, frames, [](int) {});
    }
    void middle(float* left, float* right, int from, int to) noexcept
    {
        middle(left, right, from, to, [](int) {});
    }

  private:
    Lanes step(Lanes x) noexcept
    {
        Lanes y;
        if constexpr (order == Order::a1First)
            y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        else
            y = b0 * x + b1 * x1 + b2 * x2 - a2 * y2 - a1 * y1;
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

// A whole block of BiquadFilters with the second stage lagLength frames behind.
template <int lagLength, class PerFrame>
[[gnu::always_inline]] inline void runLagged(BiquadFilter* const* filters, float* left, float* right, int frames,
                                             PerFrame& perFrame) noexcept
{
    Stages<BiquadFilter, Order::a1First, lagLength> stages(filters);
    stages.head(left, right, frames, perFrame);
    stages.middle(left, right, lagLength, frames, perFrame);
    stages.tail(left, right, frames);
    stages.store(filters);
}

// A whole block of BiquadFilters, with perFrame(n) called for every frame n in order.
template <class PerFrame>
[[gnu::always_inline]] inline void run(BiquadFilter* const* filters, float* left, float* right, int frames,
                                       PerFrame&& perFrame) noexcept
{
    if (frames <= 0) return;
    if (frames < 4 * lag)
        runLagged<shortLag>(filters, left, right, frames, perFrame);
    else
        runLagged<lag>(filters, left, right, frames, perFrame);
}

} // namespace biquad_cascade
