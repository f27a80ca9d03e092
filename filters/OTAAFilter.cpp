#include "filters/OTAAFilter.h"

#include <algorithm>
#include <iterator>

using analog::Saturated;
using analog::stageWeight;
using analog::stageZeroWeight;

OTAAFilter::OTAAFilter()
{
    classId = 10;
    redesignAfterRamp = true;
    reset();
}

void OTAAFilter::setMode(int32_t m) noexcept
{
    mode = m;
}

void OTAAFilter::reset() noexcept
{
    resetSettings();
    for (auto& lanes : y)
        std::fill(std::begin(lanes), std::end(lanes), 0.f);
    std::fill(std::begin(inPrev), std::end(inPrev), 0.f);
}

void OTAAFilter::design(const Settings& s, float* out) const noexcept
{
    // The limit keeps the tuning polynomial inside its fitted range.
    const double hz = std::min(analog::octavesToHz(s.octaves), 0.27 * s.sampleRate);
    // 2 / rate does not wait for the power function; the product equals 2 hz / rate within
    // double rounding.
    const double fn = hz * (2.0 / s.sampleRate);
    out[coefG] = static_cast<float>(analog::ladderTuning(fn));
    out[coefK] = static_cast<float>(analog::ladderCompensation(fn) * 0.625 * 4.0 * s.resonance);
    out[coefGainIn] = s.drive * 0.25f;
    out[coefGainOut] = 4.f / ((s.drive - 1.f) * 0.2f + 1.f);
}

template <int M, class Io> void OTAAFilter::runMode(Io io, int frames) noexcept
{
    using T = typename Io::T;
    if (!beginBlock(frames)) return;
    T y1 = Io::state(y[0]), y2 = Io::state(y[1]), y3 = Io::state(y[2]), y4 = Io::state(y[3]);
    T uPrev = Io::state(inPrev);
    float g = coef[coefG], k = coef[coefK], gi = coef[coefGainIn], go = coef[coefGainOut];
    const float gStep = coefStep[coefG], kStep = coefStep[coefK];
    const float giStep = coefStep[coefGainIn], goStep = coefStep[coefGainOut];
    uint32_t seed = noiseSeed;
    // The first sample's feedback input; the loop forms each following one from stage 4's parts.
    T fbIn = y4 * 1.6f - io.load(0) * gi * 3.2f;

    for (int i = 0; i < frames; ++i) {
        seed = analog::nextNoise(seed);
        const float n1 = static_cast<float>(static_cast<int32_t>(seed)) * analog::ladderNoiseScale;
        seed = analog::nextNoise(seed);
        const float n3 = static_cast<float>(static_cast<int32_t>(seed)) * analog::ladderNoiseScale;
        // Each stage: y += g * S(v) with v = w * in + z * inPrev - y + noise, where in is the
        // output of the stage before and inPrev its value one sample earlier. The next
        // stage's v is formed from the saturated parts directly (w * in = w * inPrev +
        // w * g * S(v)), so the chain runs from saturator to saturator.
        const float gw = g * stageWeight;
        const T a = io.load(i) * gi;
        // The feedback is S(1.6 (y4 - 2 a)), its input formed at the end of the sample before.
        const Saturated<T> fb(fbIn);
        const T u = fb.addScaled(a, -k);
        const Saturated<T> v1(
            fb.addScaled(a * stageWeight + (uPrev * stageZeroWeight - y1 + n1), -k * stageWeight));
        const T y1Old = y1;
        y1 = v1.addScaled(y1, g);
        const Saturated<T> v2(v1.addScaled(y1Old * stageWeight + (y1Old * stageZeroWeight - y2), gw));
        const T y2Old = y2;
        y2 = v2.addScaled(y2, g);
        const Saturated<T> v3(v2.addScaled(y2Old * stageWeight + (y2Old * stageZeroWeight - y3 + n3), gw));
        const T y3Old = y3;
        y3 = v3.addScaled(y3, g);
        const Saturated<T> v4(v3.addScaled(y3Old * stageWeight + (y3Old * stageZeroWeight - y4), gw));
        const T y4Old = y4;
        y4 = v4.addScaled(y4, g);
        uPrev = u;
        if constexpr (M >= 0) io.store(i, analog::ladderOutput<M>(u, y1, y2, y3, y4) * go);
        const float gFeedback = g * 1.6f;
        g += gStep;
        k += kStep;
        gi += giStep;
        go += goStep;
        // The next feedback input 1.6 y4 - 3.2 a, with y4 = y4Old + g S(v4) expanded: it waits
        // on stage 4's saturator only, not on y4 and a multiply-add after it (the same value
        // within rounding). The last sample reloads its own input, unused.
        const int next = i + 1 < frames ? i + 1 : i;
        fbIn = v4.addScaled(y4Old * 1.6f - io.load(next) * gi * 3.2f, gFeedback);
    }

    Io::keep(y[0], y1);
    Io::keep(y[1], y2);
    Io::keep(y[2], y3);
    Io::keep(y[3], y4);
    Io::keep(inPrev, uPrev);
    coef[coefG] = g;
    coef[coefK] = k;
    coef[coefGainIn] = gi;
    coef[coefGainOut] = go;
    noiseSeed = seed;
    endBlock();
}

template class AnalogModel<OTAAFilter, analog::ladderModeCount>;
