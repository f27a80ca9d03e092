#include "engine/KsParameter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{

constexpr auto relaxed = std::memory_order_relaxed;

void copyText(char* dest, const char* src)
{
    if (!src) src = "";
    std::snprintf(dest, KsParameter::kTextSize, "%s", src);
}

bool unitRange(float minimum, float maximum)
{
    return minimum == 0.0f && maximum == 1.0f;
}

float validTempo(float tempo)
{
    return std::isfinite(tempo) && tempo > 0.0f ? tempo : 120.0f;
}

} // namespace

KsParameter::KsParameter(int kind_, bool announces_, const char* name_, const char* altName_,
                         const char* unit_, float minimum_, float maximum_)
    : kind(kind_), minimum(minimum_), maximum(maximum_), announces(announces_)
{
    copyText(name, name_);
    copyText(altName, altName_);
    copyText(unit, unit_);
    unitPresent = unit_ != nullptr;
    currentValue.store(minimum, relaxed);
    targetValue.store(minimum, relaxed);
}

float KsParameter::physicalOf(float normalised) const noexcept
{
    if (unitRange(minimum, maximum)) return normalised;
    float v = minimum + (maximum - minimum) * normalised;
    if (kind == 0) v = static_cast<float>(static_cast<int>(v + 0.5f));
    return v;
}

void KsParameter::setValue(float normalised) noexcept
{
    if (!std::isfinite(normalised)) return;
    const float v = physicalOf(std::clamp(normalised, 0.0f, 1.0f));
    if (v == targetValue.load(relaxed)) return;
    targetValue.store(v, relaxed);
    rampStart.store(currentValue.load(relaxed), relaxed);
    rampCounter.store(0, relaxed);
    changes.fetch_add(1, std::memory_order_release);
}

float KsParameter::normalise(float physical) const noexcept
{
    if (unitRange(minimum, maximum) || maximum == minimum) return physical;
    return (physical - minimum) / (maximum - minimum);
}

float KsParameter::getValue() const noexcept
{
    return normalise(targetValue.load(relaxed));
}

void KsParameter::resetSmoothing() noexcept
{
    currentValue.store(targetValue.load(relaxed), relaxed);
    rampStart.store(0.0f, relaxed);
    rampCounter.store(0, relaxed);
    changes.fetch_add(1, std::memory_order_release);
}

void KsParameter::setSampleRate(float rate) noexcept
{
    if (!std::isfinite(rate) || rate <= 0.0f) return;
    sampleRate = rate;
    rampLength.store(static_cast<int>(rate * smoothingTime), relaxed);
}

void KsParameter::setSyncTable(int count, const float* beats, const char* const* names, float minHz,
                               float maxHz) noexcept
{
    syncCount = std::clamp(count, 0, kMaxSync);
    if (!beats || !names) syncCount = 0;
    for (int i = 0; i < syncCount; ++i) {
        syncBeats[i] = beats[i];
        syncNames[i] = names[i];
    }
    freeMinHz = minHz;
    freeMaxHz = maxHz;
}

int KsParameter::syncIndex() const noexcept
{
    if (syncCount <= 0) return 0;
    const float v = std::clamp(getValue(), 0.0f, 1.0f);
    return std::min(static_cast<int>((1.0f - v) * static_cast<float>(syncCount)), syncCount - 1);
}

float KsParameter::rateHz(float tempoBpm) const noexcept
{
    const float v = getValue();
    if (!isSynced() || syncCount <= 0) {
        if (!interpolateFree || syncCount <= 0) return freeMinHz + (freeMaxHz - freeMinHz) * v;
        // Free delay rates move smoothly through the sync table, timed at 120 bpm.
        const float p = (1.0f - v) * static_cast<float>(syncCount);
        const int i = std::clamp(static_cast<int>(p), 0, syncCount - 1);
        const float f = p - static_cast<float>(i);
        const int next = std::min(i + 1, syncCount - 1);
        const float beats = (1.0f - f) * 4.0f * syncBeats[i] + f * 4.0f * syncBeats[next];
        return 1.0f / (beats * 0.5f);
    }
    return 1.0f / (4.0f * syncBeats[syncIndex()] * 60.0f / validTempo(tempoBpm));
}

double KsParameter::syncPhase(double position) const noexcept
{
    if (!isSynced() || syncCount <= 0) return -1.0;
    if (!std::isfinite(position) || position < 0.0) position = 0.0;
    const double periods = position / (4.0 * static_cast<double>(syncBeats[syncIndex()]));
    const double phase = periods - std::floor(periods);
    return phase >= 1.0 ? 0.0 : phase;
}

std::int64_t KsParameter::syncCycles(double position) const noexcept
{
    if (!isSynced() || syncCount <= 0) return -1;
    if (!std::isfinite(position) || position < 0.0) return 0;
    const double periods = position / (4.0 * static_cast<double>(syncBeats[syncIndex()]));
    return periods >= 9.0e18 ? std::int64_t{0} : static_cast<std::int64_t>(periods);
}

void KsParameter::formatValue(char* text) const noexcept
{
    const float v = targetValue.load(relaxed);
    switch (kind) {
    case 1:
        std::snprintf(text, kTextSize, "%d", static_cast<int>(v * 100.0f));
        return;
    case 2:
    case 3:
        if (isSynced() && syncCount > 0) {
            std::snprintf(text, kTextSize, "%s bars", syncNames[syncIndex()]);
        } else {
            const float hz = rateHz(120.0f);
            if (showMs)
                std::snprintf(text, kTextSize, "%.0f ms", hz > 0.0f ? 1000.0f / hz : 0.0f);
            else
                std::snprintf(text, kTextSize, "%1.1f Hz", hz);
        }
        return;
    case 4:
        std::snprintf(text, kTextSize, "%2.1f", v);
        return;
    case 6: {
        if (v >= 1.0f) {
            std::snprintf(text, kTextSize, "16000");
            return;
        }
        if (v <= 0.0f) {
            std::snprintf(text, kTextSize, "80");
            return;
        }
        float t = std::clamp(-0.25f * std::log10(1.0f - v), 0.0f, 1.0f);
        if (t < 0.0000001f) t = 0.0f;
        std::snprintf(text, kTextSize, "%d", static_cast<int>(t * 15920.0f + 80.0f));
        return;
    }
    case 9:
        if (v < 0.001f)
            std::snprintf(text, kTextSize, "-inf");
        else
            std::snprintf(text, kTextSize, "%2.0f", 20.0 * std::log10(std::pow(1.3 * v, 2.737)));
        return;
    default:
        std::snprintf(text, kTextSize, "%d", static_cast<int>(v));
        return;
    }
}
