#include "filters/OTAAFilter.h"

#include <algorithm>
#include <iterator>

using analog::saturate;
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
    const double fn = 2.0 * hz / s.sampleRate;
    out[coefG] = static_cast<float>(analog::ladderTuning(fn));
    out[coefK] = static_cast<float>(analog::ladderCompensation(fn) * 0.625 * 4.0 * s.resonance);
    out[coefGainIn] = s.drive * 0.25f;
    out[coefGainOut] = 4.f / ((s.drive - 1.f) * 0.2f + 1.f);
}

template <class Io> void OTAAFilter::run(Io io, int frames) noexcept
{
    using T = typename Io::T;
    if (!beginBlock(frames)) return;
    T y1 = Io::state(y[0]), y2 = Io::state(y[1]), y3 = Io::state(y[2]), y4 = Io::state(y[3]);
    T uPrev = Io::state(inPrev);
    float g = coef[coefG], k = coef[coefK], gi = coef[coefGainIn], go = coef[coefGainOut];
    const float gStep = coefStep[coefG], kStep = coefStep[coefK];
    const float giStep = coefStep[coefGainIn], goStep = coefStep[coefGainOut];
    const bool audible = mode >= 0 && mode < analog::ladderModeCount;
    const float* mix = analog::ladderMix[audible ? mode : 0];
    uint32_t seed = noiseSeed;

    for (int i = 0; i < frames; ++i) {
        seed = analog::nextNoise(seed);
        const float n1 = static_cast<float>(static_cast<int32_t>(seed)) * analog::ladderNoiseScale;
        seed = analog::nextNoise(seed);
        const float n3 = static_cast<float>(static_cast<int32_t>(seed)) * analog::ladderNoiseScale;
        // Each stage: y += g * S(w * in + z * inPrev - y + noise), where inPrev is the stage
        // input of the previous sample (the previous stage's output as it stood before this
        // sample). The terms that do not wait on the previous stage are summed first.
        const T y1Prev = y1, y2Prev = y2, y3Prev = y3;
        const T a = io.load(i) * gi;
        const T u = a - saturate((y4 - a * 2.f) * 1.6f) * k;
        y1 = y1 + saturate(u * stageWeight + (uPrev * stageZeroWeight - y1 + n1)) * g;
        y2 = y2 + saturate(y1 * stageWeight + (y1Prev * stageZeroWeight - y2)) * g;
        y3 = y3 + saturate(y2 * stageWeight + (y2Prev * stageZeroWeight - y3 + n3)) * g;
        y4 = y4 + saturate(y3 * stageWeight + (y3Prev * stageZeroWeight - y4)) * g;
        uPrev = u;
        if (audible) io.store(i, (u * mix[0] + y1 * mix[1] + y2 * mix[2] + y3 * mix[3] + y4 * mix[4]) * go);
        g += gStep;
        k += kStep;
        gi += giStep;
        go += goStep;
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

void OTAAFilter::process(float* buffer, int frames) noexcept
{
    if (buffer) run(analog::MonoIo{buffer}, frames);
}

void OTAAFilter::processStereo(float* left, float* right, int frames, KsFilter&) noexcept
{
    if (!left || !right) return process(left ? left : right, frames);
    run(analog::StereoIo{left, right}, frames);
}
