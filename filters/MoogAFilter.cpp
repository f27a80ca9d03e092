#include "filters/MoogAFilter.h"

#include <algorithm>
#include <iterator>

using analog::saturate;
using analog::Saturated;
using analog::stageWeight;
using analog::stageZeroWeight;

MoogAFilter::MoogAFilter()
{
    classId = 11;
    redesignAfterRamp = true;
    reset();
}

void MoogAFilter::setMode(int32_t m) noexcept
{
    mode = m;
    dirty = true;
}

void MoogAFilter::reset() noexcept
{
    resetSettings();
    for (auto& lanes : y)
        std::fill(std::begin(lanes), std::end(lanes), 0.f);
    for (auto& lanes : sat)
        std::fill(std::begin(lanes), std::end(lanes), 0.f);
    std::fill(std::begin(inPrev), std::end(inPrev), 0.f);
}

void MoogAFilter::design(const Settings& s, float* out) const noexcept
{
    // The limit keeps the tuning polynomial inside its fitted range.
    const double hz = std::min(analog::octavesToHz(s.octaves), 0.27 * s.sampleRate);
    // 2 / rate does not wait for the power function; the product equals 2 hz / rate within
    // double rounding.
    const double fn = hz * (2.0 / s.sampleRate);
    out[coefG] = static_cast<float>(analog::ladderTuning(fn));
    out[coefK] = static_cast<float>(analog::ladderCompensation(fn) * 4.0 * s.resonance);
    // The low-passes run at full level; the other responses are driven softly and made up
    // after the ladder.
    const float makeUp = 1.f / ((s.drive - 1.f) * 0.2f + 1.f);
    const bool lowPass = s.mode == 0 || s.mode == 3;
    out[coefGainIn] = lowPass ? s.drive : s.drive * 0.125f;
    out[coefGainOut] = lowPass ? makeUp : 8.f * makeUp;
}

template <int M, class Io> void MoogAFilter::runMode(Io io, int frames) noexcept
{
    using T = typename Io::T;
    if (!beginBlock(frames)) return;
    T y1 = Io::state(y[0]), y2 = Io::state(y[1]), y3 = Io::state(y[2]), y4 = Io::state(y[3]);
    T s1 = Io::state(sat[0]), s2 = Io::state(sat[1]), s3 = Io::state(sat[2]), s4 = Io::state(sat[3]);
    T t1Prev = Io::state(inPrev);
    float g = coef[coefG], k = coef[coefK], gi = coef[coefGainIn], go = coef[coefGainOut];
    const float gStep = coefStep[coefG], kStep = coefStep[coefK];
    const float giStep = coefStep[coefGainIn], goStep = coefStep[coefGainOut];
    uint32_t seed = noiseSeed;
    // Ladder input of the first sample; the loop forms each following one from stage 4's parts.
    T u = io.load(0) * gi - y4 * k;

    for (int i = 0; i < frames; ++i) {
        seed = analog::nextNoise(seed);
        const float n1 = static_cast<float>(static_cast<int32_t>(seed)) * analog::ladderNoiseScale;
        seed = analog::nextNoise(seed);
        const float n3 = static_cast<float>(static_cast<int32_t>(seed)) * analog::ladderNoiseScale;
        // Each stage: y += g * (w * in + z * inPrev - S(y) + noise), where in is the
        // saturated output of the stage before. The terms that do not wait on that stage
        // are summed first, keeping the per-sample chain short.
        const float gw = g * stageWeight;
        const Saturated<T> t1(u);
        y1 = t1.addScaled(y1 + (t1Prev * stageZeroWeight - s1 + n1) * g, gw);
        const Saturated<T> q1(y1);
        y2 = q1.addScaled(y2 + (s1 * stageZeroWeight - s2) * g, gw);
        const Saturated<T> q2(y2);
        y3 = q2.addScaled(y3 + (s2 * stageZeroWeight - s3 + n3) * g, gw);
        const Saturated<T> q3(y3);
        const T acc4 = y4 + (s3 * stageZeroWeight - s4) * g;
        y4 = q3.addScaled(acc4, gw);
        if constexpr (M >= 0) io.store(i, analog::ladderOutput<M>(u, y1, y2, y3, y4) * go);
        s4 = saturate(y4);
        t1Prev = t1.value();
        s1 = q1.value();
        s2 = q2.value();
        s3 = q3.value();
        g += gStep;
        k += kStep;
        gi += giStep;
        go += goStep;
        // The next ladder input gi x - k y4, with y4 = acc4 + gw S(y3) expanded: the
        // feedback waits on stage 3's saturator only, not on y4 and a multiply-add after it
        // (the same value within rounding). The last sample reloads its own input, unused.
        const int next = i + 1 < frames ? i + 1 : i;
        u = q3.addScaled(io.load(next) * gi - acc4 * k, -(k * gw));
    }

    Io::keep(y[0], y1);
    Io::keep(y[1], y2);
    Io::keep(y[2], y3);
    Io::keep(y[3], y4);
    Io::keep(sat[0], s1);
    Io::keep(sat[1], s2);
    Io::keep(sat[2], s3);
    Io::keep(sat[3], s4);
    Io::keep(inPrev, t1Prev);
    coef[coefG] = g;
    coef[coefK] = k;
    coef[coefGainIn] = gi;
    coef[coefGainOut] = go;
    noiseSeed = seed;
    endBlock();
}

template class AnalogModel<MoogAFilter, analog::ladderModeCount>;
