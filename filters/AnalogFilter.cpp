#include "filters/AnalogFilter.h"

#include <algorithm>
#include <numbers>

namespace analog
{

double ladderTuning(double fn) noexcept
{
    // The polynomial in pairs of terms (fn^2 and fn^4 formed once) rather than nested: the
    // same value within double rounding, with half the chain of dependent steps, which every
    // cutoff change of a sweep waits for before its next chunk can start.
    const double fn2 = fn * fn, fn4 = fn2 * fn2;
    const double low =
        (0.99829576883594 + fn * -1.63856842679528) + fn2 * (3.06924354945255 + fn * -4.82669146268268);
    const double high = (4.92940117812548 + fn * -2.89961224806283) + fn2 * 0.73512564761461;
    return std::numbers::pi * fn * (low + fn4 * high);
}

double ladderCompensation(double fn) noexcept
{
    return 1.00041980769964 + fn * (0.22647247331106 + fn * (-1.27524039169113 +
                                                             fn * (1.42468481282773 + fn * -0.504278949001)));
}

} // namespace analog

namespace
{
// Limits applied to incoming settings: notes far outside any audible range, rates outside
// what a host or the oversampler can give, and drives that would make the gains blow up.
constexpr float minNote = -256.f, maxNote = 256.f;
constexpr float minRate = 1000.f, maxRate = 1.6e6f;
constexpr float maxDrive = 64.f;
} // namespace

AnalogFilter::AnalogFilter()
{
    sampleRate = 88200.f;
}

void AnalogFilter::setSampleRate(float hz) noexcept
{
    if (std::isnan(hz)) return;
    sampleRate = std::clamp(hz, minRate, maxRate);
    dirty = true;
}

void AnalogFilter::setCutoff(float note) noexcept
{
    if (std::isnan(note)) return;
    cutoffTarget = std::clamp(note, minNote, maxNote) / 12.f;
    dirty = true;
}

void AnalogFilter::setResonance(float r) noexcept
{
    if (std::isnan(r)) return;
    resTarget = std::clamp(r, 0.f, 1.f) * 0.99f;
    dirty = true;
}

void AnalogFilter::setDrive(float d) noexcept
{
    if (std::isnan(d)) return;
    driveTarget = std::clamp(d, 0.f, maxDrive);
    dirty = true;
}

void AnalogFilter::processSingle(float* first, float*, int frames) noexcept
{
    process(first, frames);
}

AnalogFilter::Settings AnalogFilter::nowSettings() const noexcept
{
    return Settings{cutoffNow, resNow, driveNow, sampleRate, mode};
}

AnalogFilter::Settings AnalogFilter::targetSettings() const noexcept
{
    return Settings{cutoffTarget, resTarget, driveTarget, sampleRate, mode};
}

bool AnalogFilter::beginBlock(int frames) noexcept
{
    if (frames <= 0) return false;
    if (!dirty) return true;

    // The "now" design is usually the previous block's target design: reuse it.
    const Settings now = nowSettings();
    float from[coefCount];
    if (cacheValid && now == cachedSettings)
        std::copy(cachedCoef, cachedCoef + coefCount, from);
    else
        design(now, from);

    const Settings target = targetSettings();
    if (!(target == now))
        design(target, cachedCoef);
    else
        std::copy(from, from + coefCount, cachedCoef);
    cachedSettings = target;
    cacheValid = true;

    // One division, made while the coefficients are designed, instead of one per ramp after
    // them (exact for the usual power-of-two chunks, within rounding otherwise).
    const float perFrame = 1.f / static_cast<float>(frames);
    for (int i = 0; i < coefCount; ++i) {
        coef[i] = from[i];
        coefStep[i] = (cachedCoef[i] - from[i]) * perFrame;
    }
    dirty = redesignAfterRamp && (coefStep[0] != 0.f || coefStep[1] != 0.f);
    return true;
}

void AnalogFilter::endBlock() noexcept
{
    cutoffNow = cutoffTarget;
    resNow = resTarget;
    driveNow = driveTarget;
    std::fill(coefStep, coefStep + coefCount, 0.f);
}

void AnalogFilter::resetSettings() noexcept
{
    cutoffNow = cutoffTarget;
    resNow = resTarget;
    driveNow = driveTarget;
    dirty = true;
}
