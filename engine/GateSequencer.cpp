#include "engine/GateSequencer.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace
{
constexpr auto relaxed = std::memory_order_relaxed;
}

void GateSequencer::setSampleRate(float rateHz) noexcept
{
    sampleRate.store(std::isfinite(rateHz) && rateHz > 0.0f ? rateHz : 0.0f, relaxed);
}

void GateSequencer::setRate(float hz) noexcept
{
    rate.store(std::isfinite(hz) && hz > 0.0f ? hz : 0.0f, relaxed);
}

void GateSequencer::setStepVolume(int pattern, int step, float v) noexcept
{
    if (validStep(pattern, step)) volume[pattern][step].store(unit(v), relaxed);
}

float GateSequencer::getStepVolume(int pattern, int step) const noexcept
{
    return validStep(pattern, step) ? volume[pattern][step].load(relaxed) : 0.0f;
}

void GateSequencer::setTie(int pattern, int step, bool on) noexcept
{
    if (validStep(pattern, step)) tie[pattern][step].store(on ? 1 : 0, relaxed);
}

bool GateSequencer::getTie(int pattern, int step) const noexcept
{
    return validStep(pattern, step) && tie[pattern][step].load(relaxed) != 0;
}

void GateSequencer::setPosition(double phase) noexcept
{
    if (!std::isfinite(phase) || phase < 0.0 || phase >= 1.0) phase = 0.0;
    position.store(phase, relaxed);
}

float GateSequencer::gateEnvelope(int q) const noexcept
{
    q = std::clamp(q, 0, patternCount - 1);

    // Envelope segments in fractions of a step. Attack and decay never go below 5 % so that a
    // step never clicks; when the three overlap they are scaled down to fill exactly one step.
    float a = std::max(attack.load(relaxed), 0.05f);
    float s = sustain.load(relaxed);
    float d = std::max(decay.load(relaxed), 0.05f);
    const float sum = a + s + d;
    if (sum > 1.0f) {
        a /= sum;
        s /= sum;
        d /= sum;
    }

    double x = position.load(relaxed) * stepCount;
    if (x >= stepCount) x -= stepCount;
    int step = std::clamp(static_cast<int>(x), 0, stepCount - 1);
    double f = x - step;

    // Swing: the even step of each pair lasts the fraction w of the pair, the odd step the rest.
    const float sh = shuffle.load(relaxed);
    if (sh > 0.0f) {
        const double w = 0.5 + 0.5 * sh;
        const int pair = step / 2;
        const double h = x / 2.0 - pair;
        if (w > h) {
            step = 2 * pair;
            f = h / w;
        } else {
            step = 2 * pair + 1;
            f = (h - w) / (1.0 - w);
        }
    }

    const float v = volume[q][step].load(relaxed);
    if (!(v > 0.0f)) return 0.0f;
    const int prev = step == 0 ? stepCount - 1 : step - 1;
    const int next = step == stepCount - 1 ? 0 : step + 1;
    const float ff = static_cast<float>(f);

    if (ff <= a) {
        // A tie from the previous step glides in one straight line from the start of its decay
        // to the end of this attack, a span of 1 - S steps.
        const float pv = volume[q][prev].load(relaxed);
        if (tie[q][prev].load(relaxed) != 0 && pv > 0.0f) {
            const float t = (1.0f - a - s + ff) / (1.0f - s);
            return (1.0f - t) * pv + t * v;
        }
        return v * ff / a;
    }
    if (ff <= a + s) return v;
    const float nv = volume[q][next].load(relaxed);
    if (tie[q][step].load(relaxed) != 0 && nv > 0.0f) {
        const float t = (ff - a - s) / (1.0f - s);
        return (1.0f - t) * v + t * nv;
    }
    if (ff > a + s + d) return 0.0f;
    return v * (1.0f - (ff - a - s) / d);
}

bool GateSequencer::advanceClock(int frames) noexcept
{
    const float sr = sampleRate.load(relaxed);
    if (frames <= 0 || !(sr > 0.0f)) return false;
    double p = position.load(relaxed) + static_cast<double>(rate.load(relaxed)) * frames / sr;
    bool wrapped = false;
    if (p >= 1.0) {
        // A cycle shorter than one block still reports a single wrap and keeps the phase in 0..1.
        p -= std::floor(p);
        wrapped = true;
    }
    if (!(p >= 0.0 && p < 1.0)) p = 0.0;
    position.store(p, relaxed);
    return wrapped;
}

int GateSequencer::nextPattern(int current, unsigned mask) noexcept
{
    current = std::clamp(current, 0, patternCount - 1);
    for (int i = 1; i <= patternCount; ++i) {
        const int p = (current + i) % patternCount;
        if (mask & (1u << p)) return p;
    }
    return 0;
}

int GateSequencer::firstActivePattern(std::int64_t cycles, unsigned mask) noexcept
{
    mask &= (1u << patternCount) - 1;
    const int k = std::popcount(mask);
    if (k == 0) return 0;
    // Song positions before 0 count backwards, so the remainder is taken as non-negative.
    std::int64_t r = cycles % k;
    if (r < 0) r += k;
    for (int p = 0; p < patternCount; ++p) {
        if (mask & (1u << p)) {
            if (r == 0) return p;
            --r;
        }
    }
    return 0;
}
